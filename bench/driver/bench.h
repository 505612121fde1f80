#pragma once
// What every phase of the benchmark shares: where the programs are, how long to run, what failed.
#include <cstdio>
#include <string>
#include <vector>

#include "inject.h"
#include "report.h"
#include "subject.h"

struct Options {
  bool quick = false;
  int startRounds = 51;   // the first round warms the caches and is not counted
  int pressesEach = 400;  // hotkey to tool, per program
  int pressBlock = 50;    // presses per start of a program; blocks alternate programs
  int idleSeconds = 60;
  int leakPresses = 1000;
  int windowCycles = 50;
  int resultPairs = 20;  // keystroke to result: presses of each hotkey, per set of tools
  int resultBlock = 5;   // pairs per start of Tandrel; blocks alternate the tools
  std::wstring phase;    // --phase NAME: that phase alone (startup, latency, result, resident, size)

  static Options Parse(int argc, wchar_t** argv);
};

struct Bench {
  Bench(const Options& chosen, std::wstring programFolder)
      : options(chosen), folder(std::move(programFolder)), probe(folder + L"\\probe.dll") {}

  Options options;
  std::wstring folder;  // the programs, the tool doubles, the probe
  Subject tandrel{L"Tandrel", L"Tandrel.exe", L"Systray form", true};
  Subject reference{L"reference", L"reference.exe", L"Reference", false};
  Subject referenceIcon{L"reference + tray icon", L"reference-icon.exe", L"Reference", true};
  Probe probe;
  bool probeWorks = false;
  std::vector<std::string> failures;
  std::vector<Verdict> summary;

  void Fail(const std::string& what) {
    std::fprintf(stderr, "bench: %s\n", what.c_str());
    failures.push_back(what);
  }
};

// Progress on stderr; the results go to stdout as Markdown.
void Progress(const char* format, ...);
std::string Narrow(const std::wstring& text);

void RunStartup(Bench& bench);
void RunLatency(Bench& bench);
void RunResult(Bench& bench);
void RunResident(Bench& bench);
void RunSize(Bench& bench);
