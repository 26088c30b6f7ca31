/* The library's version record: a read-only ELF section of its own, found without loading the
 * library. */
#ifndef VISTREL_HOST_VERSION_RECORD_H
#define VISTREL_HOST_VERSION_RECORD_H

/* Section name. Its content is "key=value" texts, each closed by a zero byte, the last followed by
 * one more zero. */
#define VERSION_RECORD_SECTION ".vistrel.version"

#endif
