// `varnolith-host render`: feeds a WAV file (or silence) through a module and writes its outputs.
#pragma once

#include <ostream>
#include <string>
#include <utility>
#include <vector>

namespace varnolith::host {

struct RenderOptions {
  std::string bundle;
  std::string input;      // WAV fed to input bus 0 (optional)
  std::string output;     // WAV receiving every output channel, bus after bus
  std::string file;       // path handed to the module (PLAYER file, RECORDER destination)
  std::string stateIn;    // state file restored before processing
  std::string stateOut;   // state file saved after processing
  double sampleRate = 48000.0;
  int blockSize = 512;
  int sampleBits = 32;    // 32 or 64
  double seconds = -1.0;  // length when there is no input file
  bool transport = true;  // host transport playing
  std::vector<std::pair<std::string, double>> parameters;  // ID or title = normalized value
};

// [main-thread] Runs the render; returns the process exit code.
int renderCommand(const RenderOptions& options, std::ostream& out, std::ostream& err);

}  // namespace varnolith::host
