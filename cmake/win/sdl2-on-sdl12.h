/* The few SDL 2 calls that Debian's SDL2_image and SDL2_ttf sources make,
 * written with SDL 1.2, so that those sources build the SDL_image 1.2 and
 * SDL_ttf 2.0 interfaces the game links (Debian's own SDL_image 1.2 and
 * SDL_ttf 2.0 sources are not in the archive this machine reaches).
 * Force-included into every unit of those two libraries. */
#ifndef DUSKWANE_SDL2_ON_SDL12_H
#define DUSKWANE_SDL2_ON_SDL12_H

#include <SDL.h>
#include <SDL_endian.h>
#include <SDL_loadso.h>
#include <emmintrin.h>
#include <stdint.h>
#include <string.h>

/* SDL 2 reports errors as -1 from SDL_SetError and SDL_OutOfMemory. */
#define SDL_SetError(...) (SDL_SetError(__VA_ARGS__), -1)
#undef SDL_OutOfMemory
#define SDL_OutOfMemory() (SDL_Error(SDL_ENOMEM), -1)
/* SDL 2 turns a colour key on with a boolean, SDL 1.2 with a flag. */
#define SDL_SetColorKey(s, on, key) SDL_SetColorKey((s), (on) ? SDL_SRCCOLORKEY : 0, (key))
#define SDL_assert(x) ((void)0)
#define SDL_Log(...) ((void)0)
#define SDL_HasSSE2() SDL_FALSE
#define SDL_HasNEON() SDL_FALSE
#define SDL_MAX_SINT32 ((Sint32)0x7FFFFFFF)
#ifndef SDL_arraysize
#define SDL_arraysize(a) (sizeof(a) / sizeof((a)[0]))
#endif
#define SDL_min(x, y) (((x) < (y)) ? (x) : (y))
#define SDL_max(x, y) (((x) > (y)) ? (x) : (y))
#define SDL_strrchr strrchr
#define SDL_INLINE inline
#define SDL_ConvertSurfaceFormat(s, f, flags) ((void)(s), (SDL_Surface*)NULL)
#ifndef SDL_FORCE_INLINE
#define SDL_FORCE_INLINE static inline
#endif

static inline Sint64 SDL_RWsize(SDL_RWops* ctx) {
    int pos = SDL_RWtell(ctx);
    int end = SDL_RWseek(ctx, 0, RW_SEEK_END);
    SDL_RWseek(ctx, pos, RW_SEEK_SET);
    return end;
}

static inline int SDL_size_mul_overflow(size_t a, size_t b, size_t* r) {
    if (a != 0 && b > SIZE_MAX / a) {
        return -1;
    }
    *r = a * b;
    return 0;
}
static inline int SDL_size_add_overflow(size_t a, size_t b, size_t* r) {
    if (b > SIZE_MAX - a) {
        return -1;
    }
    *r = a + b;
    return 0;
}
static inline size_t SDL_utf8strlen(const char* s) {
    size_t n = 0;
    for (; *s; ++s) {
        if ((*s & 0xC0) != 0x80) {
            ++n;
        }
    }
    return n;
}

/* The two pixel formats the font library renders into. */
typedef Uint32 SDL_PixelFormatEnum;
#define SDL_PIXELFORMAT_INDEX8 1u
#define SDL_PIXELFORMAT_ARGB8888 4u
#define SDL_PIXELFORMAT_RGB24 3u
#define SDL_BYTESPERPIXEL(f) ((int)(f))
#define SDL_BLENDMODE_BLEND 1
static inline SDL_Surface* SDL_CreateRGBSurfaceWithFormat(Uint32 flags, int w, int h, int depth,
                                                          SDL_PixelFormatEnum format) {
    (void)depth;
    if (format == SDL_PIXELFORMAT_INDEX8) {
        return SDL_CreateRGBSurface(flags, w, h, 8, 0, 0, 0, 0);
    }
    return SDL_CreateRGBSurface(flags, w, h, 32, 0x00FF0000, 0x0000FF00, 0x000000FF, 0xFF000000);
}
static inline int SDL_SetSurfaceBlendMode(SDL_Surface* s, int mode) {
    return SDL_SetAlpha(s, mode ? SDL_SRCALPHA : 0, SDL_ALPHA_OPAQUE);
}

#endif
