#pragma once

// Marks the classes and functions that libkxsoacommon exports; everything
// else in the shared object stays hidden.
#if defined(KXSOACOMMON_STATIC)
#define KXSOACOMMON_EXPORT
#elif defined(_WIN32)
#if defined(KXSOACOMMON_BUILDING)
#define KXSOACOMMON_EXPORT __declspec(dllexport)
#else
#define KXSOACOMMON_EXPORT __declspec(dllimport)
#endif
#else
#define KXSOACOMMON_EXPORT __attribute__((visibility("default")))
#endif
