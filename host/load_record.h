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
    /* slot 6: called by load, on the host's thread, once per setting in stored order; reads the
       next `count` integers into `buffer`, which the caller owns; answers how many it delivered
       (fewer at the end of the data) */
    int32_t (*readInts32)(void *stream, int32_t *buffer, int32_t count);
} LoadRecord;

#ifdef __cplusplus
}
#endif

VISTREL_SLOT(LoadRecord, stream, 2);
VISTREL_SLOT(LoadRecord, readInts32, 6);
VISTREL_WORDS(LoadRecord, 6);

#endif
