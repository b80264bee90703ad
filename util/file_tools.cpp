#include "util/file_tools.h"

#include <unistd.h>

// unlink rather than remove(): remove() would also take away an empty directory that
// happens to carry the name.
int FileTools::rm(const std::string& path) { return unlink(path.c_str()) == 0 ? 0 : -1; }
