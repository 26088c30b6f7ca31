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
    /* slot 6: called by save, on the host's thread, once per setting in stored order; writes
       `count` integers from `buffer`, which the caller owns and the host reads during the call only
     */
    void (*writeInts32)(void *stream, const int32_t *buffer, int32_t count);
} SaveRecord;

#ifdef __cplusplus
}
#endif

VISTREL_SLOT(SaveRecord, stream, 2);
VISTREL_SLOT(SaveRecord, writeInts32, 6);
VISTREL_WORDS(SaveRecord, 6);

#endif
