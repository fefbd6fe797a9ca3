// Which reparse points a Windows scan walks into.  A directory that carries
// a reparse point is still an ordinary folder to its user unless the tag
// says it stands for another name: cloud placeholders (OneDrive's Desktop
// and Documents) and deduplicated folders are entered; junctions, volume
// mount points and symbolic links, including WSL's, are not, since they can
// lead back up the tree.  Plain arithmetic on the enumeration's numbers, so
// that every build tests it.
#pragma once

#include <cstdint>

#include "platform/system.h"

constexpr uint32_t kWin32AttrReparsePoint = 0x400;  // FILE_ATTRIBUTE_REPARSE_POINT
constexpr uint32_t kReparseTagNameSurrogate = 0x20000000;

// A reparse tag the scan must not follow.  Windows hands out no tag 0, but
// Wine reports its symbolic links with it: an unknown tag is taken as a
// link, since following one could make the scan endless.
constexpr bool IsLinkReparseTag(uint32_t tag) {
  return tag == 0 || (tag & kReparseTagNameSurrogate) != 0;
}

// The seam's attribute bits for an entry of WIN32_FIND_DATAW, from its
// dwFileAttributes and dwReserved0 (the reparse tag, defined only while
// the reparse attribute is set).  Reading them opens nothing: a cloud
// file's content is never fetched.
constexpr uint32_t FindDataAttributes(uint32_t fileAttributes, uint32_t reserved0) {
  uint32_t attributes = fileAttributes & 0x3F;
  if ((fileAttributes & kWin32AttrReparsePoint) != 0 && IsLinkReparseTag(reserved0))
    attributes |= kAttrReparsePoint;
  return attributes;
}
