// A shared library that is not a plug-in, for the loader's error path.
extern "C" __attribute__((visibility("default"))) int notAPlugin() { return 42; }
