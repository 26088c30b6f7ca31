// The library's version record, kept in a read-only section of its own so that a tool can read it
// from the file without loading the library and without an exported symbol.
#include "host/version_record.h"
#include "host/vistrelle_contract.h"

namespace {

[[gnu::section(VERSION_RECORD_SECTION), gnu::used]] const char versionRecord[] =
    "FileVersion=" VERSION_FILE_VERSION
    "\0"
    "ProductVersion=" VERSION_PRODUCT_VERSION
    "\0"
    "FileDescription=" VERSION_FILE_DESCRIPTION
    "\0"
    "ProductName=" VERSION_PRODUCT_NAME
    "\0"
    "InternalName=" VERSION_INTERNAL_NAME
    "\0"
    "OriginalFilename=" VERSION_ORIGINAL_FILENAME "\0";

}  // namespace
