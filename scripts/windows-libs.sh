#!/bin/bash
# Cross-builds, for 64-bit Windows, every library the game and its tests link,
# from Debian's own source packages, into a cache folder outside the
# repository whose name carries a hash of this recipe:
#     ${XDG_CACHE_HOME:-$HOME/.cache}/duskwane/mingw-<hash>
# A folder that exists is complete (it is built under a temporary name and
# renamed at the end) and is reused as it is. Prints the folder on its last line.
# Needs deb-src entries for the system's suites (scripts/windows.sh adds them).
set -euo pipefail

ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
HOST=x86_64-w64-mingw32
export ROOT
JOBS=${JOBS:-2}
# shellcheck source=scripts/debian-sources.sh
source "$ROOT/scripts/debian-sources.sh"
open_cache "mingw-$(cd "$ROOT" && find scripts/windows-libs.sh scripts/debian-sources.sh cmake/mingw-w64.cmake cmake/win \
    -type f | sort | xargs cat | sha256sum | cut -c1-12)" "libraries for Windows"

configure_host() { ./configure --host=$HOST --prefix="$STAGE" --disable-static --enable-shared "$@" >configure.log 2>&1 || { tail -30 configure.log; return 1; }; }
cmake_host() {
    cmake -S . -B build -DCMAKE_TOOLCHAIN_FILE="$ROOT/cmake/mingw-w64.cmake" -DCMAKE_INSTALL_PREFIX="$STAGE" \
        -DCMAKE_BUILD_TYPE=Release "$@" >cmake.log 2>&1 || { tail -30 cmake.log; return 1; }
    cmake --build build -j "$JOBS" >>cmake.log 2>&1 && cmake --install build >>cmake.log 2>&1 || { tail -30 cmake.log; return 1; }
}

# zlib: Debian's source has no Windows resource file for its DLL, so it goes
# as a static library into the DLLs that use it (libpng, FreeType).
step zlib
enter zlib
cmake -S . -B build -DCMAKE_TOOLCHAIN_FILE="$ROOT/cmake/mingw-w64.cmake" -DCMAKE_BUILD_TYPE=Release >cmake.log 2>&1
cmake --build build -j "$JOBS" --target zlibstatic >>cmake.log 2>&1 || { tail -30 cmake.log; exit 1; }
cp build/libzlibstatic.a "$STAGE/lib/libz.a"
cp zlib.h build/zconf.h "$STAGE/include/"

step libpng
enter libpng1.6
configure_host
make_install

step libjpeg-turbo
enter libjpeg-turbo
cmake_host -DENABLE_STATIC=OFF -DWITH_TURBOJPEG=OFF -DWITH_SIMD=OFF

step freetype
enter freetype
configure_host --with-zlib=yes --with-png=no --with-bzip2=no --with-harfbuzz=no --with-brotli=no
make_install

step libogg
enter libogg
configure_host
make_install

step libvorbis
enter libvorbis
configure_host
make_install

step mpg123
enter mpg123
configure_host --disable-components --enable-libmpg123 --with-cpu=generic_dither --disable-modules
make_install

# SDL 1.2 with the Windows GDI video driver and the waveOut/DirectSound audio
# drivers, plus the dummy and disk drivers the tests use; libSDLmain is the
# Windows entry wrapper (stdout.txt and stderr.txt beside the program).
step SDL 1.2
enter libsdl1.2
configure_host --enable-video-windib --enable-directx --enable-video-dummy --enable-diskaudio --enable-dummyaudio \
    --disable-video-opengl
make_install

# SDL_mixer 1.2: the library only (its sample players are not needed), mixing
# only: the game's own decoders (lib/sound/, built with the game) decode, over
# libvorbisfile and libmpg123 above.
step SDL_mixer 1.2
enter sdl-mixer1.2
configure_host --with-sdl-prefix="$STAGE" --disable-sdltest --disable-music-mod --disable-music-midi \
    --disable-music-ogg --disable-music-flac --disable-music-mp3 --disable-music-mp3-mad-gpl --disable-smpegtest
make -j"$JOBS" build/libSDL_mixer.la >make.log 2>&1 && make install-hdrs install-lib >>make.log 2>&1 || { tail -30 make.log; exit 1; }

# port_dll NAME SOURCES... -- LIBS...: one DLL and its import library from C
# sources written for SDL 2, built against SDL 1.2 through cmake/win/sdl2-on-sdl12.h.
port_dll() {
    local name=$1 srcs=() libs=()
    shift
    while [ "$1" != -- ]; do srcs+=("$1"); shift; done
    shift
    libs=("$@")
    $HOST-gcc -O2 -shared -o "$STAGE/bin/$name.dll" -I. -I"$STAGE/include" -I"$STAGE/include/SDL" \
        -include "$ROOT/cmake/win/sdl2-on-sdl12.h" "${srcs[@]}" -L"$STAGE/lib" "${libs[@]}" -lSDL \
        -Wl,--export-all-symbols -Wl,--out-implib,"$STAGE/lib/lib$name.dll.a" >port.log 2>&1 || { head -40 port.log; return 1; }
}

# SDL_image 1.2 with JPEG and PNG. Debian's sdl-image1.2 source is not in the
# archive this machine reaches; then SDL2_image's own JPEG and PNG loaders
# (Debian's libsdl2-image, the same code grown for SDL 2) build the same
# IMG_Load against SDL 1.2 (and its BMP loader, which SDL_image 1.2 has too).
step SDL_image 1.2
if dir=$(source_of sdl-image1.2 2>/dev/null); then
    cd "$dir"
    configure_host --disable-sdltest --enable-jpg --enable-png --disable-jpg-shared --disable-png-shared \
        --disable-tif --disable-webp
    make_install
else
    enter libsdl2-image
    # The JPEG writer is not built, but compiled: SDL 1.2 has no pixel format codes.
    sed -i 's/surface->format->format != jpg_format/0/' IMG_jpg.c
    port_dll SDL_image IMG.c IMG_jpg.c IMG_png.c IMG_bmp.c IMG_gif.c IMG_lbm.c IMG_pcx.c IMG_pnm.c IMG_svg.c \
        IMG_qoi.c IMG_tga.c IMG_tif.c IMG_webp.c IMG_xcf.c IMG_xpm.c IMG_xv.c IMG_xxx.c IMG_avif.c IMG_jxl.c \
        -DLOAD_BMP -DLOAD_JPG -DLOAD_PNG -DSDL_IMAGE_SAVE_JPG=0 -DSDL_IMAGE_SAVE_PNG=0 -- -ljpeg -lpng16 -lz
    cp SDL_image.h "$STAGE/include/SDL/"
fi

# SDL_ttf 2.0: likewise from Debian's libsdl2-ttf (SDL2_ttf) when sdl-ttf2.0's
# source is missing, with its text surfaces allocated by SDL 1.2.
step SDL_ttf 2.0
if dir=$(source_of sdl-ttf2.0 2>/dev/null); then
    cd "$dir"
    configure_host --disable-sdltest --with-freetype-prefix="$STAGE"
    make_install
else
    enter libsdl2-ttf
    # SDL 1.2's colour keeps its alpha in `unused` (0 there means opaque, as SDL_ttf 2.0 draws).
    perl -pi -e 's/(\.|->)a\b/$1unused/g' SDL_ttf.c
    perl -0pi -e 's/static SDL_Surface \*AllocateAlignedPixels\(.*?\n\}\n/`cat "$ENV{ROOT}\/cmake\/win\/ttf-surface.c"`/se' SDL_ttf.c
    port_dll SDL_ttf SDL_ttf.c -I"$STAGE/include/freetype2" -DTTF_USE_HARFBUZZ=0 -- -lfreetype -lz
    cp SDL_ttf.h "$STAGE/include/SDL/"
fi

step GoogleTest
rm -rf "$WORK/googletest" && cp -r /usr/src/googletest "$WORK/googletest" && cd "$WORK/googletest"
cmake_host -DBUILD_GMOCK=OFF -DINSTALL_GTEST=ON

close_cache
