#pragma once
// The content of the store-backed test build: two NTFS drives and a FAT32 stick with folders and
// files, some of which carry alternate streams of text, binary and large sizes.

#include "platform/store/SimStore.h"

void fillStoreDemo(plat::store::TSimStore& store);
