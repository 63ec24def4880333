// Which files a folder contributes to a job, in the order they are compressed.
#pragma once

#include <string>
#include <vector>

#include "engine/job_request.h"
#include "engine/options.h"
#include "engine/work_folder.h"
#include "util/path_list.h"

// Walks never collect anything at or below a name beginning with workFolderPrefix: the engine's
// own work folders, nor anything in a backup folder with a valid manifest (backup_manifest.h).

// The suffixes the options enable, in walk order: every enabled kind's suffixes, kinds in the
// order of the kinds' table (kind_table.cpp).
std::vector<std::string> enabledSuffixes(const OptionValues& options);

// Every regular file below folder whose path ends with an enabled suffix in any case, all of the
// first suffix's files first, then the second's, and so on; one walk of the tree. A file is
// listed once, for the first suffix it ends with. The engine's temporary files are left out.
PathList collectFiles(const std::string& folder, const OptionValues& options);

// Whether a file belongs to shard: by a hash of its path relative to the path it was found
// under (a file given by itself: its name), the same on every machine and in every run.
bool inShard(const std::string& relativePath, const Shard& shard);
