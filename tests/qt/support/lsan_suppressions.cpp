// Leak-checker suppressions for the programs that load Qt, read by the
// sanitizer runtime at start-up (unused in builds without it): what the
// system's font configuration and message bus libraries keep to the end of
// the process is not ours.  Visible, or the sanitizer runtime cannot find it.
extern "C" __attribute__((visibility("default"))) const char* __lsan_default_suppressions() {
  return "leak:libfontconfig.so\nleak:libdbus-1.so\n";
}
