// Small PDF files for tests and benchmarks, written directly (ImageMagick may not write PDF).
#pragma once

#include <string>
#include <vector>

// Objects 1..n (1 the catalog) with an xref table that points right and a trailer.
std::string pdfOfObjects(const std::vector<std::string>& objects);
