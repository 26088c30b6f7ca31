/* The host's record for writing an instance's data into a scene, given to the save entry and valid
   only during that call. */
#ifndef VISTREL_HOST_SAVE_RECORD_H
#define VISTREL_HOST_SAVE_RECORD_H

#include "host/abi_types.h"

#ifdef __cplusplus
extern "C" {
#endif

typedef struct SaveRecord {
    void *slot1;  /* slot 1: host's own */
    void *stream; /* slot 2: opaque, passed back to writeInts32 */
    void *slot3;  /* slot 3: host's own */
    void *slot4;  /* slot 4: host's own */
    void *slot5;  /* slot 5: host's own */
    /* slot 6: appends `count` integers from `buffer` to the instance's data.
       When: during the save entry only, as often as it needs.  Thread: the host's calling thread.
       Owner: `buffer` is the caller's; the host reads it during the call only.  Null: a null
       `buffer` writes nothing.  Answers: nothing. */
    void (*writeInts32)(void *stream, const int32_t *buffer, int32_t count);
} SaveRecord;

#ifdef __cplusplus
}
#endif

VISTREL_SLOT(SaveRecord, stream, 2);
VISTREL_SLOT(SaveRecord, writeInts32, 6);
VISTREL_WORDS(SaveRecord, 6);

#endif
