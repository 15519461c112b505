// Linked into the sanitizer build of vocana and of the test programs only.
// Processes that the tests start get a pinned environment without
// ASAN_OPTIONS or UBSAN_OPTIONS, and a sanitizer report would then end them
// with status 1, the status of an ordinary refusal. These defaults make every
// report abort the process instead (signal 6), which no test expects.
extern "C" const char* __asan_default_options() { return "abort_on_error=1:detect_leaks=1"; }
extern "C" const char* __tsan_default_options() { return "abort_on_error=1:halt_on_error=1"; }
extern "C" const char* __ubsan_default_options() {
  return "abort_on_error=1:halt_on_error=1:print_stacktrace=1";
}
