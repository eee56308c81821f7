// Marks the entry points that libcellview.so and libkorvexan export.  All
// other symbols are hidden, so the shared libraries show applications
// exactly the documented entries.
#pragma once

#define KV_EXPORT __attribute__((visibility("default")))
#define KV_EXTERN_C_EXPORT extern "C" KV_EXPORT
