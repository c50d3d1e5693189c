#pragma once

#include <sys/types.h>

#include <filesystem>
#include <functional>
#include <stdexcept>
#include <string>
#include <string_view>

namespace qv::host {

// Why a file could not be replaced, said so that it reads after "The file X ".
class ReplaceError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Puts `data` in the place of the file at `path`, so that neither a reader nor a crash ever sees a
// half-written file, and a killed process leaves nothing behind. The new file is made without a
// name in the folder of the file it replaces (where the file system cannot, under a hidden
// temporary name that is removed on every failure), written and flushed; `check` may then read
// it by the path it is given and throw to stop the replacement; `beforeRename` runs last (a test
// stops a save there). Only then does it take the file's name, and the folder is flushed. A
// symbolic link is followed: the file it points to is replaced and the link stays. The new file
// keeps the mode and, where allowed, the owner of the file it replaces; a new file gets `newMode`
// less the process's creation mask.
// Throws ReplaceError; whatever `check` or `beforeRename` throw passes through. The file is then as
// it was.
void ReplaceFile(const std::filesystem::path& path, std::string_view data, mode_t newMode,
                 const std::function<void(const std::string& written)>& check = {},
                 const std::function<void()>& beforeRename = {});

}  // namespace qv::host
