#pragma once
// One entry's data, read by position from the archive, decrypted, decoded by its method or copied
// into its file, with its size, CRC-32 and any authentication code checked.
#include <functional>

#include "engine/reader.h"
#include "engine/sys/os.h"
#include "engine/zip/catalog.h"
#include "engine/zip/decrypt.h"

namespace zip {

// `progress` is told each stretch written and answers whether to go on. Without a target the data
// is only checked. An encrypted entry is opened with its key, as CheckPassword gave it.
Error InflateEntry(const os::File& archive, const Entry& entry, const os::File* target, EntryBuffers& buffers,
                   const Secret& key, const std::function<bool(std::uint64_t)>& progress);

}  // namespace zip
