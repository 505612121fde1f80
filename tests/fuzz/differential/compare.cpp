#include "compare.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <map>

#include "draw.h"

namespace differential {

std::string Quoted(std::string_view text) {
  std::string out = "\"";
  for (const char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte < 0x20 || byte == 0x7F || c == '"' || c == '\\') {
      char escaped[8];
      std::snprintf(escaped, sizeof escaped, "\\x%02X", byte);
      out += escaped;
    } else {
      out += c;
    }
  }
  return out + "\"";
}

void Fault(const Case& run, const std::string& what, const ReadResult& read, const Extracted& extracted) {
  std::fprintf(stderr, "\n==== %.*s: %s\n", static_cast<int>(run.target.size()), run.target.data(), what.c_str());
  std::fprintf(stderr, "made: %s; archive of %zu bytes\n", run.made.c_str(), run.bytes);
  std::fprintf(stderr, "libarchive: %s\n", read.error.empty() ? "read it all" : read.error.c_str());
  for (const ReadEntry& entry : read.entries) {
    static constexpr const char* kTypes[] = {"file", "folder", "link", "other"};
    std::fprintf(stderr, "  %-6s %s, %zu bytes\n", kTypes[static_cast<int>(entry.type)], Quoted(entry.name).c_str(),
                 entry.data.size());
  }
  const zip::Error& error = extracted.error;
  std::fprintf(stderr, "engine: %s\n",
               error ? ("failure " + std::to_string(static_cast<int>(error.kind)) + " on " + Quoted(error.entry) + ": " +
                        error.detail).c_str()
                     : "extracted");
  for (const auto& [path, data] : extracted.files) std::fprintf(stderr, "  file   %s, %zu bytes\n", Quoted(path).c_str(), data.size());
  for (const auto& [path, yes] : extracted.folders) std::fprintf(stderr, "  folder %s\n", Quoted(path).c_str());
  const zip::ExtractReport& report = extracted.report;
  for (const auto& renamed : report.renamed) {
    std::fprintf(stderr, "  renamed %s -> %s\n", Quoted(renamed.entry).c_str(), Quoted(renamed.extractedAs).c_str());
  }
  for (const auto& name : report.linksSkipped) std::fprintf(stderr, "  link skipped %s\n", Quoted(name).c_str());
  for (const auto& name : report.specialSkipped) std::fprintf(stderr, "  special skipped %s\n", Quoted(name).c_str());
  for (const auto& name : report.nameless) std::fprintf(stderr, "  nameless %s\n", Quoted(name).c_str());
  std::fflush(stderr);
  std::abort();
}

bool SameName(std::string a, std::string b) {
  std::replace(a.begin(), a.end(), '\\', '/');
  std::replace(b.begin(), b.end(), '\\', '/');
  return a == b;
}

bool Contains(const std::vector<std::string>& names, const std::string& name) {
  return std::any_of(names.begin(), names.end(), [&](const std::string& held) { return SameName(held, name); });
}

void CompareEntries(const Case& run, const ReadResult& read, const Extracted& extracted, bool more) {
  std::map<std::string, std::string> unclaimed = extracted.files;
  const zip::ExtractReport& report = extracted.report;
  for (const ReadEntry& entry : read.entries) {
    std::vector<std::string> places = {Lands(entry.name)};
    // libarchive ends a 7z folder's name with a slash that the archive does not store.
    const bool slashed = entry.type == ReadEntry::Type::Folder && !entry.name.empty() && entry.name.back() == '/';
    for (const auto& renamed : report.renamed) {
      if (SameName(renamed.entry, entry.name) || (slashed && SameName(renamed.entry + "/", entry.name))) {
        places.push_back(renamed.extractedAs);
      }
    }
    const auto fault = [&](const std::string& what) { Fault(run, what + ": " + Quoted(entry.name), read, extracted); };
    if (entry.type == ReadEntry::Type::Link) {
      if (!Contains(report.linksSkipped, entry.name)) fault("a link neither skipped nor named");
      continue;
    }
    if (entry.type == ReadEntry::Type::Other) {
      if (!Contains(report.specialSkipped, entry.name)) fault("a device or pipe neither skipped nor named");
      continue;
    }
    if (Contains(report.nameless, entry.name)) continue;
    // A name ending in a backslash is a folder to the zip reader, as to Windows, and a file named
    // by what comes before it to the tar reader; libarchive keeps the backslash as part of a
    // file's name.
    const bool backslashed = entry.data.empty() && !entry.name.empty() && entry.name.back() == '\\';
    if (entry.type == ReadEntry::Type::Folder || backslashed) {
      // A backslashed file beside a folder of its name is renamed: claim the file before taking
      // the folder for it.
      bool found = false;
      for (const std::string& place : places) {
        const auto file = unclaimed.find(place);
        if (!backslashed || found || file == unclaimed.end() || !file->second.empty()) continue;
        unclaimed.erase(file);
        found = true;
      }
      found = found || places[0].empty();  // the target itself, "./" say
      for (const std::string& place : places) found = found || extracted.folders.count(place) != 0;
      if (!found) fault("a folder libarchive read is not extracted nor named");
      continue;
    }
    bool found = false;
    for (const std::string& place : places) {
      const auto it = unclaimed.find(place);
      if (it == unclaimed.end()) continue;
      if (it->second != entry.data) continue;
      unclaimed.erase(it);
      found = true;
      break;
    }
    if (found) continue;
    for (const std::string& place : places) {
      if (extracted.files.count(place) != 0) fault("an entry extracted with other data than libarchive read");
    }
    fault("an entry libarchive read is not extracted nor named");
  }
  if (!unclaimed.empty() && !more) {
    Fault(run, "the engine extracted a file libarchive did not read: " + Quoted(unclaimed.begin()->first), read,
          extracted);
  }
}

void CompareWithTruth(const Case& run, const std::vector<std::string>& contents, const ReadResult& read,
                      const Extracted& extracted) {
  std::vector<std::string> missing = contents;
  for (const auto& [path, written] : extracted.files) {
    const auto it = std::find(missing.begin(), missing.end(), written);
    if (it == missing.end()) {
      Fault(run, "the engine extracted data the archive does not hold, or held once: " + Quoted(path), read, extracted);
    }
    missing.erase(it);
  }
  if (!missing.empty()) {
    Fault(run,
          "the engine extracted " + std::to_string(extracted.files.size()) + " files of the " +
              std::to_string(contents.size()) + " the archive holds and named none missing",
          read, extracted);
  }
}

}  // namespace differential
