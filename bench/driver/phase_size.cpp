// Size of the program files, with and without their resources.
#include "bench.h"
#include "pe_file.h"
#include "table.h"

namespace {

std::string KiB(unsigned long bytes) { return Fixed(bytes / 1024.0, 1); }

}  // namespace

void RunSize(Bench& bench) {
  const PeFile tandrel = ReadPeFile(bench.folder + L"\\Tandrel.exe");
  const PeFile reference = ReadPeFile(bench.folder + L"\\reference.exe");
  if (!tandrel.valid || !reference.valid) {
    bench.Fail("cannot read the PE headers of Tandrel.exe or reference.exe");
    return;
  }
  Say("## Size\n\n");
  Say("From the PE headers: the file, and the file less its resource section (.rsrc, as stored).\n\n");
  Table files({"file", "bytes", "KiB", ".rsrc bytes", "without resources, bytes", "without resources, KiB"});
  const auto row = [&](const char* name, const PeFile& pe) {
    const unsigned long bare = pe.fileBytes - pe.resourceSectionBytes;
    files.Row({name, std::to_string(pe.fileBytes), KiB(pe.fileBytes), std::to_string(pe.resourceSectionBytes),
               std::to_string(bare), KiB(bare)});
  };
  row("Tandrel.exe", tandrel);
  row("reference.exe", reference);
  // The real tools, in the folder of their own (the run folder holds their doubles).
  const PeFile cramlet = ReadPeFile(bench.folder + L"\\tools\\Cramlet.exe");
  const PeFile spillet = ReadPeFile(bench.folder + L"\\tools\\Spillet.exe");
  if (cramlet.valid) row("Cramlet.exe", cramlet);
  if (spillet.valid) row("Spillet.exe", spillet);
  files.Print();
  Say("What each KiB is for, by object file and library member, is in the linker maps: `scripts/size-map`"
      " prints them, at the end of these results.\n\n");

  Say("Tandrel's resources: icons %lu bytes, version %lu, manifest %lu, other %lu.\n\n", tandrel.iconBytes,
      tandrel.versionBytes, tandrel.manifestBytes, tandrel.otherResourceBytes);
  Table sections({"Tandrel.exe section", "bytes in the file"});
  for (const PeSection& section : tandrel.sections) sections.Row({section.name, std::to_string(section.fileBytes)});
  sections.Print();

  const unsigned long t = tandrel.fileBytes - tandrel.resourceSectionBytes;
  const unsigned long r = reference.fileBytes - reference.resourceSectionBytes;
  bench.summary.push_back({"file size", KiB(tandrel.fileBytes) + " KiB", KiB(reference.fileBytes) + " KiB",
                           Ratio(tandrel.fileBytes, reference.fileBytes) + "x", "", std::nullopt});
  bench.summary.push_back(
      {"file size without resources", KiB(t) + " KiB", KiB(r) + " KiB", Ratio(t, r) + "x", "", std::nullopt});
}
