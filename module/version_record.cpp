// The library's version record, kept in a read-only section of its own so that a tool can read it
// from the file without loading the library and without an exported symbol.
#include "host/version_record.h"

namespace {

[[gnu::section(VERSION_RECORD_SECTION), gnu::used]] const char versionRecord[] =
    "FileVersion=1.0.1.71\0"
    "ProductVersion=1.0.0.1\0"
    "FileDescription=Vistrelle\0"
    "ProductName=Vistrelle\0"
    "InternalName=vistrel\0"
    "OriginalFilename=vistrel.p\0";

}  // namespace
