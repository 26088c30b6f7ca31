/* Words, opaque host handles and the slot check shared by every record of the host interface. */
#ifndef VISTREL_HOST_ABI_TYPES_H
#define VISTREL_HOST_ABI_TYPES_H

#include <stddef.h>
#include <stdint.h>

#ifndef __cplusplus
#include <assert.h> /* static_assert in C11 */
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* An item of the host's scene; null is none. */
typedef struct HostItem *ItemId;
/* A point of a host mesh; only the host knows what it denotes. */
typedef struct HostPoint *PointId;
/* A panel made by the host's panel service; null is none. */
typedef void *Panel;

/* The host's lookup of a named service, given to every activation and called only during it, on the
   host's thread. Returns the service, owned by the host and valid until the next activation; null
   for an unknown name. `use` is always 0; the name is read during the call only. */
typedef void *(*ServiceLookup)(const char *serviceName, int32_t use);

#ifdef __cplusplus
}
#endif

/* Proves at compile time that member `field` of record `record` sits in word `slot` (counted from
 * 1). */
#define VISTREL_SLOT(record, field, slot)                                 \
    static_assert(offsetof(record, field) == ((slot)-1) * sizeof(void *), \
                  #record "." #field " must sit in slot " #slot)

/* Proves the whole size of a record in words. */
#define VISTREL_WORDS(record, words) \
    static_assert(sizeof(record) == (words) * sizeof(void *), #record " must be " #words " words")

#endif
