#pragma once
// Where the module lives, found when the host enters it.
#include <string>

namespace torvik {

// The module's folder with its trailing separator; empty before entry or when unknown.
const std::string& ModuleFolder();
// The handle the editor loads its image resources from; set by InitDll.
void* ResourceModule();

} // namespace torvik
