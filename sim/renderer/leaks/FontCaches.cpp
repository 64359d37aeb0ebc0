// The leak-check settings of a program that draws text (the tool, which
// draws the matrix's sheets, and every test program). Font loading keeps
// fontconfig patterns in Pango's caches for the life of the process,
// referenced in ways the leak checker cannot follow; they are the font
// libraries' caches, not leaks of the renderer. (The hook must live in the
// program, not a library.) The renderer's own cairo and Pango objects stay checked.
#if defined(__SANITIZE_ADDRESS__)
#define ORVELLE_RENDERER_ASAN 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define ORVELLE_RENDERER_ASAN 1
#endif
#endif

#ifdef ORVELLE_RENDERER_ASAN
extern "C" const char* __lsan_default_suppressions();
extern "C" __attribute__((visibility("default"), used)) const char* __lsan_default_suppressions() {
    // By module: the library has no frame pointers, so the recorded stacks end inside it.
    return "leak:libfontconfig.so\n";
}
#endif
