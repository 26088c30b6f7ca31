/* Words, opaque host handles, the answers every entry shares and the slot check of every record of
   the host interface.

   Every entry of these headers states its protocol in one form, in this order:
       When: when it is called, after what, in what order.  Thread: on which thread.
       Owner: who owns each pointer it takes or answers, and for how long.
       Null: what a null argument or answer means.  Answers: what it answers, by named constant. */
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

/* The error text of an entry that answers one (copy, load, save, newTime): ENTRY_NO_ERROR when the
   entry did what was asked. Any other text is one line saying why it failed; it is the module's,
   valid until the module's next call for the same instance, and the host reports the entry as
   failed with it. */
#define ENTRY_NO_ERROR ((const char *)0)

/* The `use` argument of every service lookup. */
#define SERVICE_LOOKUP_USE 0

/* The host's lookup of a named service (service_names.h).
   When: during an activation only, any number of times.  Thread: the host's calling thread.
   Owner: `serviceName` is the caller's, read during the call only; the service answered is the
   host's, valid until the next activation of the same class.  Null: a null name finds nothing.
   Answers: the service, or null for a name the host does not serve; `use` is SERVICE_LOOKUP_USE. */
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
