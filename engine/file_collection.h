// Which files a folder contributes to a job, in the order they are compressed.
#pragma once

#include <string>
#include <vector>

// The suffixes the options enable, in walk order: .png (Pngs); .tif, .tiff (Strip and Tifs);
// .jpeg, .jpg (Strip and Jpgs); .pdf (Strip and Pdfs); .gif (Strip and Gifs); .exe, .dll (Apps).
std::vector<std::string> enabledSuffixes();

// Every file below folder whose path ends with an enabled suffix (exact case), all of the first
// suffix's files first, then the second's, and so on; one walk of the tree.
std::vector<std::string> collectFiles(const std::string& folder);
