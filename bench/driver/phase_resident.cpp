// A resident program's costs: CPU and wake-ups at rest, then what it holds after start and
// after many rounds of use.
#include <windows.h>
// after windows.h, which it needs
#include <psapi.h>

#include "bench.h"
#include "session.h"
#include "table.h"

namespace {

constexpr long long kMemoryNoiseKiB = 8;  // two pages: a heap may touch one more on the way

void PrintIdle(Bench& bench, const Session& tandrel, const Session& reference) {
  Say("## Idle\n\n");
  Say("The program is started, left 2 s to settle, then watched while the driver only sleeps. CPU"
      " time and context switches are those of the Linux process behind it, summed over its"
      " threads (`/proc/<pid>/task/*/schedstat` and `status`); a voluntary context switch is a"
      " thread going to sleep and being woken again, so it counts wake-ups (timers, polling)."
      " `GetProcessTimes` is Wine's view of the same (10 ms ticks).\n\n");
  Table table({"program", "seconds", "CPU ms", "wake-ups", "preempted", "threads", "GetProcessTimes ms"});
  const auto row = [&](const char* name, const IdleCost& c) {
    table.Row({name, Fixed(c.seconds, 1), Fixed(c.cpuMs, 3), Whole(c.wakeups), Whole(c.preempted),
               std::to_string(c.threads), Fixed(c.windowsCpuMs, 1)});
  };
  row("Tandrel", tandrel.idle);
  row("reference", reference.idle);
  table.Print();

  const IdleCost& t = tandrel.idle;
  const IdleCost& r = reference.idle;
  const std::string span = "idle " + Fixed(t.seconds, 0) + " s, ";
  bench.summary.push_back(
      {span + "wake-ups", Whole(t.wakeups), Whole(r.wakeups), Signed(t.wakeups - r.wakeups), "0", t.wakeups == 0});
  bench.summary.push_back({span + "CPU time", Fixed(t.cpuMs, 3) + " ms", Fixed(r.cpuMs, 3) + " ms",
                           Fixed(t.cpuMs - r.cpuMs, 3) + " ms", "0", t.cpuMs == 0});
}

std::vector<std::pair<const char*, long long Footprint::*>> Memory() {
  return {{"private KiB (PagefileUsage)", &Footprint::privateKiB},
          {"working set KiB", &Footprint::workingSetKiB},
          {"Linux VmRSS KiB", &Footprint::rssKiB},
          {"Linux RssAnon KiB", &Footprint::rssAnonKiB},
          {"Linux VmData KiB", &Footprint::dataKiB}};
}

std::vector<std::pair<const char*, long Footprint::*>> Objects() {
  return {{"handles", &Footprint::handles},
          {"GDI objects", &Footprint::gdi},
          {"USER objects", &Footprint::user},
          {"windows", &Footprint::windows}};
}

struct Growth {
  std::string text;     // every figure's change
  std::string summary;  // the objects and private bytes
  bool none = true;     // no object more, private bytes within the noise
};

Growth GrowthBetween(const Footprint& first, const Footprint& last) {
  Growth growth;
  const auto add = [&](const char* label, long long before, long long after) {
    if (before < 0 || after < 0) return;
    growth.text += std::string(growth.text.empty() ? "" : ", ") + label + " " + Signed(after - before);
  };
  for (const auto& [label, field] : Objects()) {
    add(label, first.*field, last.*field);
    if (first.*field >= 0 && last.*field != first.*field) growth.none = false;
  }
  for (const auto& [label, field] : Memory()) add(label, first.*field, last.*field);
  // Which GDI objects came or went, by type.
  for (std::size_t type = 1; type < kGdiTypeNames.size(); ++type) {
    if (first.gdiByType[type] != last.gdiByType[type]) {
      add((std::string("GDI ") + kGdiTypeNames[type]).c_str(), first.gdiByType[type], last.gdiByType[type]);
    }
  }
  if (last.privateKiB - first.privateKiB > kMemoryNoiseKiB) growth.none = false;
  const auto change = [](long long before, long long after) {
    return before < 0 || after < 0 ? "n/a" : Signed(after - before);
  };
  growth.summary = "handles " + change(first.handles, last.handles) + ", GDI " + change(first.gdi, last.gdi) +
                   ", USER " + change(first.user, last.user) + ", private " +
                   change(first.privateKiB, last.privateKiB) + " KiB";
  return growth;
}

void PrintStages(Bench& bench, const char* name, const Session& session) {
  if (session.stages.empty()) return;
  Say("### %s\n\n", name);
  std::vector<std::string> header{"measure"};
  for (const Stage& stage : session.stages) header.push_back(stage.name);
  Table table(header);
  for (const auto& [label, field] : Memory()) {
    std::vector<std::string> row{label};
    for (const Stage& stage : session.stages) row.push_back(Whole(stage.footprint.*field));
    table.Row(row);
  }
  for (const auto& [label, field] : Objects()) {
    std::vector<std::string> row{label};
    for (const Stage& stage : session.stages) row.push_back(Whole(stage.footprint.*field));
    table.Row(row);
  }
  // The GDI objects by type, for the types the program holds at all.
  for (std::size_t type = 1; type < kGdiTypeNames.size(); ++type) {
    std::vector<std::string> row{std::string("GDI ") + kGdiTypeNames[type]};
    bool held = false;
    for (const Stage& stage : session.stages) {
      held |= stage.footprint.gdiByType[type] > 0;
      row.push_back(Whole(stage.footprint.gdiByType[type]));
    }
    if (held) table.Row(row);
  }
  table.Print();
  const Footprint& start = session.stages.front().footprint;
  if (start.privateKiB >= 0 && start.privateAfterProbeKiB >= 0) {
    Say("The probe's first visit, right after the \"%s\" figures, added %s KiB of private bytes by itself"
        " (Wine keeps what the probe's thread used); the later columns include it.\n\n",
        session.stages.front().name.c_str(), Signed(start.privateAfterProbeKiB - start.privateKiB).c_str());
  }

  for (std::size_t i = 1; i < session.stages.size(); ++i) {
    if (!session.stages[i].growth) continue;
    const Growth growth = GrowthBetween(session.stages[i - 1].footprint, session.stages[i].footprint);
    Say("From %s to %s: %s.\n\n", session.stages[i - 1].name.c_str(), session.stages[i].name.c_str(),
        growth.text.c_str());
    if (std::string(name) == "Tandrel") {
      bench.summary.push_back({"growth, " + session.stages[i - 1].name + " to " + session.stages[i].name,
                               growth.summary, "", "", "no object, at most +8 KiB", growth.none});
    }
  }
}

// What Wine itself reports of the usual counters, to say which stand-ins were needed.
void PrintWineCounters(const Bench& bench) {
  Running program;
  if (!program.Start(bench.folder, bench.reference)) return;
  PROCESS_MEMORY_COUNTERS_EX memory{};
  memory.cb = sizeof memory;
  GetProcessMemoryInfo(program.process(), reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&memory), sizeof memory);
  DWORD handles = 0;
  const BOOL handleCall = GetProcessHandleCount(program.process(), &handles);
  SetLastError(0);
  const DWORD gdi = GetGuiResources(program.process(), GR_GDIOBJECTS);
  const DWORD gdiError = GetLastError();
  const DWORD user = GetGuiResources(program.process(), GR_USEROBJECTS);
  Say("What this Wine reports of the usual counters, for another process (the reference):\n\n");
  Say("- `GetProcessMemoryInfo`: PrivateUsage %lu, PagefileUsage %lu, WorkingSetSize %lu bytes.\n",
      static_cast<unsigned long>(memory.PrivateUsage), static_cast<unsigned long>(memory.PagefileUsage),
      static_cast<unsigned long>(memory.WorkingSetSize));
  Say("- `GetProcessHandleCount`: %s, count %lu.\n", handleCall ? "succeeds" : "fails",
      static_cast<unsigned long>(handles));
  Say("- `GetGuiResources`: GDI %lu, USER %lu, last error %lu%s.\n", static_cast<unsigned long>(gdi),
      static_cast<unsigned long>(user), static_cast<unsigned long>(gdiError),
      gdiError == ERROR_CALL_NOT_IMPLEMENTED ? " (not implemented)" : "");
  Say("- The in-process count of objects (`bench/probe.cpp`) %s its self-check (one new brush, one more"
      " GDI object).\n\n",
      bench.probeWorks ? "passes" : "FAILS");
}

}  // namespace

void RunResident(Bench& bench) {
  Presser presser(bench.folder);
  if (!presser.ready()) {
    bench.Fail("cannot watch the tools' stamps");
    return;
  }
  const Session tandrel = Observe(bench, bench.tandrel, presser);
  const Session reference = Observe(bench, bench.reference, presser);
  const Session referenceIcon = ObserveStart(bench, bench.referenceIcon);
  PrintIdle(bench, tandrel, reference);

  Say("## Footprint and leaks\n\n");
  Say("Taken after the idle period, then after each round of use. Hotkey presses start the tool double"
      " and wait for it to end. The windows: the configuration window through `BM_CLICK` on Form1's"
      " \"Configure\" button, About and Support through the tray menu (the driver posts the notification"
      " area's own message for a right-button release on the icon to \"Systray form\", then Down and"
      " Enter to the menu), each closed with `WM_CLOSE` once it is visible. GDI and USER objects are"
      " counted by a probe DLL run inside the program after the other figures (USER = windows + menus +"
      " icons and cursors; Wine gives every GUI thread a \"Default IME\" window).\n\n");
  PrintWineCounters(bench);
  PrintStages(bench, "Tandrel", tandrel);
  PrintStages(bench, "reference", reference);
  PrintStages(bench, "reference + tray icon", referenceIcon);
  if (!tandrel.stages.empty() && !reference.stages.empty()) {
    const long long t = tandrel.stages.front().footprint.privateKiB;
    const long long r = reference.stages.front().footprint.privateKiB;
    const bool known = t >= 0 && r >= 0;
    Say("Private bytes after start, Tandrel - reference: **%s KiB** (target: at most 1024 KiB).\n\n",
        known ? Signed(t - r).c_str() : "n/a");
    bench.summary.push_back({"private bytes after start", Whole(t) + " KiB", Whole(r) + " KiB",
                             known ? Signed(t - r) + " KiB" : "n/a", "at most +1024 KiB", known && t - r <= 1024});
  }
}
