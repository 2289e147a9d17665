/* Marks the functions the component's libraries export to hosts. The installed
 * libraries export nothing else: the module is built with hidden visibility, the
 * core with a version script that keeps just these C functions. */
#ifndef WENDRA_EXPORT_H
#define WENDRA_EXPORT_H

#if defined(__GNUC__) || defined(__clang__)
#define WO_API __attribute__((visibility("default")))
#else
#define WO_API
#endif

#endif
