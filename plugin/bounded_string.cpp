#include "plugin/bounded_string.h"

#include <cstring>

int CopyIfFits(char* dst, size_t room, const char* src)
{
    size_t n = strnlen(src, room);
    if (n >= room) {
        if (room > 0) dst[0] = '\0';
        return -1;
    }
    memcpy(dst, src, n + 1);
    return static_cast<int>(n);
}

int AppendIfFits(char* dst, size_t room, const char* a, const char* b)
{
    size_t used = strnlen(dst, room);
    size_t na = strlen(a);
    size_t nb = strlen(b);
    if (used >= room || na + nb >= room - used) return 0;
    memcpy(dst + used, a, na);
    memcpy(dst + used + na, b, nb + 1);
    return 1;
}
