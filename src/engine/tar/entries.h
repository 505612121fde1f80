#pragma once
// A tar's entries, read front to back from its headers (with the pax and GNU records that name
// the next one), each one's data within the stream; and the one file a plain gzip stream holds.
#include <functional>
#include <string>
#include <string_view>

#include "engine/entry.h"
#include "engine/codec/stream.h"
#include "engine/tar/header.h"

namespace zip {

// Names are bytes; all but old archives write UTF-8, the rest is taken as Latin-1.
std::string NameText(std::string_view name);

// A time a tar or gzip header stores, in seconds: from 1601 to 9999, as Windows keeps file
// times; a time past that is the archive's fancy, not set.
std::optional<os::Times> TarTimes(std::int64_t seconds);

// Given each file's entry as the stream reaches its data, to read that data there; what it leaves
// is passed over.
using KeepData = std::function<Error(const Entry& entry, Stream& stream)>;

// Entries' dataOffset is their place in the stream. Damaged at a header that does not check out
// or data the stream does not hold; multi-volume entries are refused by name.
Error ReadTarCatalog(Stream& stream, Catalog& catalog, const KeepData& keep = {});

// One entry, all the stream holds, its size counted by decoding it whole into `into`, `reserve`
// asked before each stretch is written; the caller names it.
Error ReadGzipCatalog(Stream& stream, Catalog& catalog, const os::File& into,
                      const std::function<Error(std::uint64_t bytes)>& reserve);

}  // namespace zip
