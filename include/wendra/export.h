/* Marks the functions the component's libraries export. The libraries are built
 * with hidden visibility; only what a public header marks WO_API is seen by hosts. */
#ifndef WENDRA_EXPORT_H
#define WENDRA_EXPORT_H

#if defined(__GNUC__) || defined(__clang__)
#define WO_API __attribute__((visibility("default")))
#else
#define WO_API
#endif

#endif
