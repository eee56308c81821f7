// The dropped-files entries of the operating-system services: register a
// window for drops, the drop's position, the dropped names and the release.
// Applications reach the SKR_ entries by name; the runtime's own modules
// use the SXR_ ones.  Handles and numbers are 32-bit binary, by address.
#pragma once

#include <cstdint>

#include "runtime/utilities/export.h"

extern "C" {

// Registers (flag not 0) or withdraws (0) the window as a target of drops.
int SXR_DRAGACCEPTFILES(const std::uint8_t* window4, const std::uint8_t* flag4);
// The client-area position of the drop (x, y); result not 0 when the drop
// fell inside the client area.
int SXR_DRAGQUERYPOINT(const std::uint8_t* drop4, std::uint8_t* point8, std::uint8_t* result4);
// Index X'FFFFFFFF': result = number of files, buffer untouched.  Otherwise
// the name of file `index` (from 0), ended by X'00' and cut to the buffer
// size; result = its length (0 when there is no such file).
int SXR_DRAGQUERYFILE(const std::uint8_t* drop4, const std::uint8_t* index4, std::uint8_t* buffer,
                      const std::uint8_t* size4, std::uint8_t* result4);
// Releases the drop.
int SXR_DRAGFINISH(const std::uint8_t* drop4);

KV_EXPORT int SKR_DRAGACCEPTFILES(const std::uint8_t* window4, const std::uint8_t* flag4);
KV_EXPORT int SKR_DRAGQUERYPOINT(const std::uint8_t* drop4, std::uint8_t* point8,
                                 std::uint8_t* result4);
KV_EXPORT int SKR_DRAGQUERYFILE(const std::uint8_t* drop4, const std::uint8_t* index4,
                                std::uint8_t* buffer, const std::uint8_t* size4,
                                std::uint8_t* result4);
KV_EXPORT int SKR_DRAGFINISH(const std::uint8_t* drop4);
}
