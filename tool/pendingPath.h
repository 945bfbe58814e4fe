#pragma once
// The one named file that must not outlive the process: a temporary name that holds output
// for a moment before it is renamed into place. When a catchable terminating signal arrives,
// the handler removes that name and lets the signal take its course.
//
// Output files are created without a name where the file system allows it (outputFile.h), so a
// name is pending only briefly, or where the file system cannot do that.
#include <string>

namespace eccrypt::tool {

// Sets the process up for writing files: SIGXFSZ is ignored, so that writing past the file-size
// limit fails as an error (and the partial output is removed) instead of killing the process.
void PrepareProcessSignals();

// Records `path` as the pending name, removed if a terminating signal arrives. Installs the
// handlers on first use; signals ignored on entry (nohup, background jobs) stay ignored.
void WatchPendingPath(const std::string& path);

// Nothing is pending any more (the name was removed, or became the final output).
void ClearPendingPath();

}  // namespace eccrypt::tool
