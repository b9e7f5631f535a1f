// Fontconfig keeps a small block of its process-wide defaults without a pointer that the
// leak checker can see; it is freed only by FcFini at process exit, which the library's users
// must not call while other code may still match fonts.
extern "C" const char* __lsan_default_suppressions() { return "leak:libfontconfig.so\n"; }
