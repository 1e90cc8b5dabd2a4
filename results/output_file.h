// Writing an extra's file so that an older file is never left half-written.
#pragma once

#include <string>
#include <string_view>
#include <system_error>

namespace results {

// Writes `bytes` as the whole content of `path`. "-" is standard output. A regular file (or a
// name that does not exist yet) is written to a temporary file in the same folder, which then
// replaces it by rename, so the old content stays whole until the new one is complete; the new
// file gets the usual permissions (0666 less the umask). A symbolic link is followed and the
// file it names is replaced. Anything else that exists (a device such as /dev/null, a pipe) is
// opened and written in place, since renaming onto it would replace the device.
// Returns the system's error, or an empty code on success; a failure leaves no temporary file.
std::error_code write_output(const std::string& path, std::string_view bytes);

}  // namespace results
