// install/PackageManifest.h - the package manifest's copy lines.
#pragma once

// Carries out the "File Copy: " lines of the package manifest, from the source to the
// destination folder of InstallChoices, all in one copy run.
void RunPackageManifest(const char* pszManifestPath);
