/* The host's record for reading an instance's data back from a scene, given to the load entry and
   valid only during that call. */
#ifndef VISTREL_HOST_LOAD_RECORD_H
#define VISTREL_HOST_LOAD_RECORD_H

#include "host/abi_types.h"

#ifdef __cplusplus
extern "C" {
#endif

typedef struct LoadRecord {
    void *slot1;  /* slot 1: host's own */
    void *stream; /* slot 2: opaque, passed back to readInts32 */
    void *slot3;  /* slot 3: host's own */
    void *slot4;  /* slot 4: host's own */
    void *slot5;  /* slot 5: host's own */
    /* slot 6: reads the next `count` integers of the instance's data into `buffer`.
       When: during the load entry only, as often as it needs.  Thread: the host's calling thread.
       Owner: `buffer` is the caller's, written during the call only.  Null: a null `buffer`
       reads nothing.  Answers: how many integers it delivered, fewer than `count` (down to none)
       at the end of the data. */
    int32_t (*readInts32)(void *stream, int32_t *buffer, int32_t count);
} LoadRecord;

#ifdef __cplusplus
}
#endif

VISTREL_SLOT(LoadRecord, stream, 2);
VISTREL_SLOT(LoadRecord, readInts32, 6);
VISTREL_WORDS(LoadRecord, 6);

#endif
