#pragma once

// How a shared library's C entry points are declared and exported on this system: the one place
// outside the per-platform files where the platforms are told apart, since a declaration cannot
// be chosen by the build alone.

// The calling convention of a library built for the Windows API: stdcall on 32-bit Windows, the
// only system where it differs from the C default.
#if defined(_WIN32) && !defined(_WIN64)
#define ZELD_STDCALL __stdcall
#else
#define ZELD_STDCALL
#endif

// An exported entry point: dllexport on Windows, default visibility in a library built with
// hidden visibility elsewhere.
#if defined(_WIN32)
#define ZELD_EXPORT __declspec(dllexport)
#else
#define ZELD_EXPORT __attribute__((visibility("default")))
#endif

// An entry point that a module-definition (.def) file exports on Windows, under its undecorated
// name as a vendor's DLL has it (dllexport would add the stdcall-decorated name, MF_Getsnr@16,
// as well); default visibility elsewhere.
#if defined(_WIN32)
#define ZELD_EXPORT_BY_DEF_FILE
#else
#define ZELD_EXPORT_BY_DEF_FILE __attribute__((visibility("default")))
#endif
