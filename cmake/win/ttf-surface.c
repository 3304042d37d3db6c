/* SDL_ttf's render target, allocated by SDL 1.2 itself: the same aligned pitch
 * as the SDL 2 code asks for, with pixels that SDL_FreeSurface may free.
 * Replaces AllocateAlignedPixels in SDL2_ttf's SDL_ttf.c. */
static SDL_Surface* AllocateAlignedPixels(size_t width, size_t height, SDL_PixelFormatEnum format, Uint32 bgcolor) {
    const size_t alignment = Get_Alignement() - 1;
    const size_t bytes_per_pixel = SDL_BYTESPERPIXEL(format);
    const size_t pitch = (((width + alignment) * bytes_per_pixel) + alignment) & ~alignment;
    SDL_Surface* textbuf;
    if (width > 0x7FFF || height > 0x7FFF) {
        return NULL;
    }
    textbuf = SDL_CreateRGBSurfaceWithFormat(0, (int)(pitch / bytes_per_pixel), (int)height, 0, format);
    if (textbuf == NULL) {
        return NULL;
    }
    textbuf->w = (int)width;
    SDL_SetClipRect(textbuf, NULL);
    if (bytes_per_pixel == 4) {
        SDL_memset4(textbuf->pixels, bgcolor, pitch * height / 4);
    } else {
        SDL_memset(textbuf->pixels, (bgcolor & 0xff), pitch * height);
    }
    return textbuf;
}
