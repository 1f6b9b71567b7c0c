// varnolith-host: a small command-line host that loads built bundles through their exports.
#include <CLI/CLI.hpp>

#include <iostream>

#include "scan.h"

int main(int argc, char** argv) {
  CLI::App app{"varnolith-host: loads VARNOLITH bundles like a DAW and drives them"};
  app.require_subcommand(1);

  std::vector<std::string> scanPaths;
  auto* scan = app.add_subcommand("scan", "List factory, class, buses and parameters and run the lifecycle");
  scan->add_option("bundle", scanPaths, "Bundle directories (Name.vst3) or library files")->required();

  try {
    app.parse(argc, argv);
  } catch (const CLI::ParseError& e) {
    return app.exit(e);
  }
  if (*scan) return varnolith::host::scanBundles(scanPaths, std::cout, std::cerr) == 0 ? 0 : 1;
  return 1;
}
