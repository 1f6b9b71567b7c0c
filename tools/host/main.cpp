// varnolith-host: a small command-line host that loads built bundles through their exports.
#include <CLI/CLI.hpp>

#include <iostream>

#include "render.h"
#include "scan.h"
#include "session.h"

namespace {

// Parses "ID=value" or "Title=value".
std::pair<std::string, double> parseParameter(const std::string& text) {
  const auto eq = text.rfind('=');
  if (eq == std::string::npos || eq == 0) throw CLI::ValidationError("--param", "expected ID=value or Title=value");
  try {
    std::size_t used = 0;
    const double value = std::stod(text.substr(eq + 1), &used);
    if (used != text.size() - eq - 1) throw std::invalid_argument("trailing text");
    return {text.substr(0, eq), value};
  } catch (const std::exception&) {
    throw CLI::ValidationError("--param", "'" + text.substr(eq + 1) + "' is not a number");
  }
}

}  // namespace

int main(int argc, char** argv) {
  CLI::App app{"varnolith-host: loads VARNOLITH bundles like a DAW and drives them"};
  app.require_subcommand(1);

  std::vector<std::string> scanPaths;
  auto* scan = app.add_subcommand("scan", "List factory, class, buses and parameters and run the lifecycle");
  scan->add_option("bundle", scanPaths, "Bundle directories (Name.vst3) or library files")->required();

  varnolith::host::RenderOptions render;
  std::vector<std::string> renderParams;
  auto* renderCmd = app.add_subcommand("render", "Process a WAV file (or silence) offline and write the outputs");
  renderCmd->add_option("bundle", render.bundle, "Bundle directory or library file")->required();
  renderCmd->add_option("--in,-i", render.input, "WAV file fed to input bus 0")->check(CLI::ExistingFile);
  renderCmd->add_option("--out,-o", render.output, "32-bit float WAV receiving every output channel");
  renderCmd->add_option("--file", render.file, "Path handed to the module (PLAYER file, RECORDER destination)");
  renderCmd->add_option("--rate", render.sampleRate, "Sample rate in Hz")->check(CLI::Range(8000.0, 384000.0));
  renderCmd->add_option("--block", render.blockSize, "Block size in samples")->check(CLI::Range(1, 65536));
  renderCmd->add_option("--bits", render.sampleBits, "Host sample size: 32 or 64")->check(CLI::IsMember({32, 64}));
  renderCmd->add_option("--seconds", render.seconds, "Length when there is no input file")
      ->check(CLI::Range(0.0, 86400.0));
  renderCmd->add_option("--param,-p", renderParams, "Parameter as ID=value or Title=value (normalized 0..1)");
  renderCmd->add_option("--state-in", render.stateIn, "Restore this state file first")->check(CLI::ExistingFile);
  renderCmd->add_option("--state-out", render.stateOut, "Save the module's state here afterwards");
  bool stopped = false;
  renderCmd->add_flag("--stopped", stopped, "Leave the host transport stopped");

  varnolith::host::SessionOptions session;
  auto* sessionCmd = app.add_subcommand(
      "session", "A PLAYER feeding a RECORDER through audio and sync events, clocked by the host transport");
  sessionCmd->add_option("--player", session.playerBundle, "PLAYER bundle")->required();
  sessionCmd->add_option("--recorder", session.recorderBundle, "RECORDER bundle")->required();
  sessionCmd->add_option("--file", session.file, "WAV file to play (default: a generated test signal)")
      ->check(CLI::ExistingFile);
  sessionCmd->add_option("--out", session.destination, "Recording destination (new file; takes get numbered)")
      ->required();
  sessionCmd->add_option("--rate", session.sampleRate, "Sample rate in Hz")->check(CLI::Range(8000.0, 384000.0));
  sessionCmd->add_option("--block", session.blockSize, "Block size in samples")->check(CLI::Range(1, 65536));
  sessionCmd->add_option("--tail", session.tailSeconds, "Seconds of decaying effect tail after the file")
      ->check(CLI::Range(0.0, 60.0));

  try {
    app.parse(argc, argv);
    for (const auto& p : renderParams) render.parameters.push_back(parseParameter(p));
  } catch (const CLI::ParseError& e) {
    return app.exit(e);
  }
  if (*scan) return varnolith::host::scanBundles(scanPaths, std::cout, std::cerr) == 0 ? 0 : 1;
  if (*renderCmd) {
    render.transport = !stopped;
    return varnolith::host::renderCommand(render, std::cout, std::cerr);
  }
  if (*sessionCmd) return varnolith::host::sessionCommand(session, std::cout, std::cerr);
  return 1;
}
