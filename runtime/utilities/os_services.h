// Operating-system services for applications (module SCR_WXXX): copy,
// delete and move a file, the command line, the system directory, program
// start, and private-profile (settings) files.  Applications pass fixed
// 255-character text fields and 32-bit binary numbers by address; these
// entries turn them into what the system wants and store the result in the
// last argument.  The SKR_ entries are exported to applications (reached
// through the SCR_ wrappers of libkorvexan); the SXR_ twins are what the
// runtime's own modules call.
//
// Text arguments: each is copied into a 256-byte buffer whose last byte is
// X'00'.  For the file services and the program start, trailing spaces and
// X'00' bytes are then turned into X'00' scanning back from character 255;
// character 1 is never changed, so 255 spaces are one space.  The profile
// services do not trim: the caller ends each text with X'00' where it wants
// it to end, and a text without one is taken whole (255 characters), except
// that a settings-file name never ends in blanks.
//
// Linux choices: the "system directory" is the directory of the event log
// ($KORVEXAN_LOGDIR, else the current directory); program start runs the
// program found on PATH with the words of the command line as arguments
// and does not wait for it (the show state is accepted and not used);
// result 33 means started, otherwise 2 (program not found), 3 (directory
// not found), 5 (not permitted), 11 (not an executable) or 0 (no
// resources).  Settings-file names are used as given (relative names are
// relative to the current directory).
//
// Optional arguments: an omitted (null) section of
// GETPRIVATEPROFILESTRING lists the section names, an omitted key lists the
// section's keys (each ended by X'00', the list by a second X'00'); an
// omitted default is empty.  An omitted key of WRITEPRIVATEPROFILESTRING
// deletes the section, an omitted value deletes the key.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "runtime/utilities/export.h"

namespace kv::os {

inline constexpr int kTextField = 255;

// A file-service text: the field up to 255 characters with trailing
// spaces and X'00' removed (character 1 kept), then up to its first X'00'.
std::string file_text(const std::uint8_t* field255);
// A profile-service text: the field up to its first X'00' (at most 255).
std::string profile_text(const std::uint8_t* field255);

// The result of a service and, on failure, the system's error number.
struct Outcome {
  bool ok = false;
  int error = 0;
};

Outcome copy_file(const std::string& from, const std::string& to, bool fail_if_exists);
Outcome delete_file(const std::string& name);
// Moves or renames; an existing target is never replaced.  A file moves
// across file systems by copy and delete.
Outcome move_file(const std::string& from, const std::string& to);
// The process's command line: its words joined by single spaces, words
// holding blanks in double quotes.
std::string command_line();
std::string system_directory();
// Starts the program of `command` (see above for the results).
int start_program(std::string_view command);

// The system's message for an error number, at most 135 characters;
// empty when the system has no message for that number.
std::string error_text(int error);

}  // namespace kv::os

extern "C" {
using kv_u8 = std::uint8_t;

int SXR_COPYFILE(const kv_u8* existing, const kv_u8* target, const kv_u8* fail_if_exists32,
                 kv_u8* result32);
int SXR_DELETEFILE(const kv_u8* name, kv_u8* result32);
int SXR_MOVEFILE(const kv_u8* existing, const kv_u8* target, kv_u8* result32);
int SXR_GETCOMMANDLINE(kv_u8* line255);
int SXR_GETWINDOWSDIRECTORY(kv_u8* buffer, const kv_u8* size32, kv_u8* result32);
int SXR_WINEXEC(const kv_u8* command, std::int32_t show, kv_u8* result32);
int SXR_WRITEPRIVATEPROFILESECTION(const kv_u8* section, const kv_u8* text, const kv_u8* file,
                                   kv_u8* result32);
int SXR_WRITEPRIVATEPROFILESTRING(const kv_u8* section, const kv_u8* key, const kv_u8* value,
                                  const kv_u8* file, kv_u8* result32);
int SXR_GETPRIVATEPROFILESTRING(const kv_u8* section, const kv_u8* key, const kv_u8* fallback,
                                kv_u8* value, const kv_u8* size32, const kv_u8* file,
                                kv_u8* result32);
int SXR_GETPRIVATEPROFILEINT(const kv_u8* section, const kv_u8* key, const kv_u8* fallback32,
                             const kv_u8* file, kv_u8* result32);

KV_EXPORT int SKR_COPYFILE(const kv_u8* existing, const kv_u8* target,
                           const kv_u8* fail_if_exists32, kv_u8* result32);
KV_EXPORT int SKR_DELETEFILE(const kv_u8* name, kv_u8* result32);
KV_EXPORT int SKR_MOVEFILE(const kv_u8* existing, const kv_u8* target, kv_u8* result32);
KV_EXPORT int SKR_GETCOMMANDLINE(kv_u8* line255);
KV_EXPORT int SKR_GETWINDOWSDIRECTORY(kv_u8* buffer, const kv_u8* size32, kv_u8* result32);
KV_EXPORT int SKR_WINEXEC(const kv_u8* command, std::int32_t show, kv_u8* result32);
KV_EXPORT int SKR_WRITEPRIVATEPROFILESECTION(const kv_u8* section, const kv_u8* text,
                                             const kv_u8* file, kv_u8* result32);
KV_EXPORT int SKR_WRITEPRIVATEPROFILESTRING(const kv_u8* section, const kv_u8* key,
                                            const kv_u8* value, const kv_u8* file, kv_u8* result32);
KV_EXPORT int SKR_GETPRIVATEPROFILESTRING(const kv_u8* section, const kv_u8* key,
                                          const kv_u8* fallback, kv_u8* value, const kv_u8* size32,
                                          const kv_u8* file, kv_u8* result32);
KV_EXPORT int SKR_GETPRIVATEPROFILEINT(const kv_u8* section, const kv_u8* key,
                                       const kv_u8* fallback32, const kv_u8* file, kv_u8* result32);
}
