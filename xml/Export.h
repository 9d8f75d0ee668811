#pragma once

// Marks the classes and functions that libkxsoaimportexporttypes exports;
// everything else in the shared object stays hidden.
#if defined(KXSOAIMPORTEXPORT_STATIC)
#define KXSOAIMPORTEXPORT_EXPORT
#elif defined(_WIN32)
#if defined(KXSOAIMPORTEXPORT_BUILDING)
#define KXSOAIMPORTEXPORT_EXPORT __declspec(dllexport)
#else
#define KXSOAIMPORTEXPORT_EXPORT __declspec(dllimport)
#endif
#else
#define KXSOAIMPORTEXPORT_EXPORT __attribute__((visibility("default")))
#endif

// For header-only types that cross library boundaries (exceptions): their
// type information must be one and the same in every shared object.
#if defined(_WIN32)
#define KXSOA_VISIBLE_TYPE
#else
#define KXSOA_VISIBLE_TYPE __attribute__((visibility("default")))
#endif
