#pragma once

// Sanitizer settings of every program that shows web views (the zuvo
// program and the Qt test programs). Include this header in exactly one
// source file of the program: it defines the hooks the sanitizer runtime
// looks for.
//
// The browser engine's library (built without the sanitizer) frees some
// objects with a sized delete of another size, and it and the font and
// device libraries and the desktop bus (which a real X session talks to)
// keep caches for the life of the process; so does the scene graph library
// that the browser engine loads in a real X session (a main window under
// Xvfb). Those reports are theirs; everything else is checked as usual.

#if defined(__SANITIZE_ADDRESS__) && defined(ZUVO_WITH_WEBENGINE)
extern "C" const char* __asan_default_options()
{
    return "new_delete_type_mismatch=0";
}

extern "C" const char* __lsan_default_suppressions()
{
    return "leak:libQt6WebEngineCore.so\n"
           "leak:libQt6Quick.so\n"
           "leak:libharfbuzz.so\n"
           "leak:libfontconfig.so\n"
           "leak:libudev.so\n"
           "leak:libdbus-1.so\n";
}
#endif
