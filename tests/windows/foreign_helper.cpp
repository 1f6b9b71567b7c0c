// The non-system DLL that foreign_module imports from.
extern "C" __declspec(dllexport) int foreignHelper() { return 42; }
