// install/PackageManifest.h - the package manifest's copy lines.
#pragma once

// Carries out the "File Copy: " lines of the package manifest, from the source to the
// destination folder of InstallChoices, all in one copy run. False when the manifest cannot be
// read or a file that it names and the package holds could not be written to the destination
// (every line is still tried); a line naming a file that the package lacks is no failure here.
bool RunPackageManifest(const char* pszManifestPath);
