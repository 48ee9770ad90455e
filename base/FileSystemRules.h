#pragma once
// Rules about what the file system reports, apart from the calls that ask it,
// so that they build and are tested anywhere.
#include <cstdint>
#include <string>

// Whether an entry with these attributes and reparse tag leads somewhere else: a
// symbolic link, a junction or a mount point (a name-surrogate tag). Cloud
// placeholders, deduplicated or compressed system files carry other tags and are
// ordinary files and folders. A reparse point reported without a tag counts as
// a link: a system that reports no tag (Wine) marks only links.
bool IsLinkReparsePoint(uint32_t attributes, uint32_t reparseTag);

// The plain form of a volume's root as GetVolumePathNameW gives it ("\\?\C:\",
// "\\?\UNC\server\share\"), for the calls that take only a plain root ("C:\",
// "\\server\share\"), always with its trailing separator. A volume GUID path
// ("\\?\Volume{...}\") has no plain form and stays as it is.
std::wstring PlainVolumeRoot(const std::wstring& volumePath);
