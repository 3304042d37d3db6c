# shellcheck shell=bash
# What the library recipes share (scripts/windows-libs.sh, scripts/web-libs.sh)
# and the scripts that call them: Debian's source packages, fetched once into
# $CACHE/sources and unpacked with Debian's patches applied, and the cache
# folder a recipe builds into. Sourced, not run.

CACHE=${XDG_CACHE_HOME:-$HOME/.cache}/duskwane
SOURCES=$CACHE/sources

# open_cache NAME WHAT: a recipe's folder is $CACHE/NAME (its kind and the hash
# of the recipe). One that exists is complete: it is printed and the recipe
# ends there. Otherwise the libraries are installed into $STAGE, renamed to
# $PREFIX by close_cache, and their sources unpacked into $WORK.
open_cache() {
    PREFIX=$CACHE/$1
    if [ -d "$PREFIX" ]; then
        echo "# $2: cached in $PREFIX"
        echo "$PREFIX"
        exit 0
    fi
    STAGE=$CACHE/.$1.$$
    WORK=$STAGE.work
    # KEEP_FAILED=1 keeps a failed build's folders to look into.
    trap '[ "${KEEP_FAILED:-0}" = 1 ] || rm -rf "$STAGE" "$WORK"' EXIT
    mkdir -p "$SOURCES" "$STAGE"/{bin,lib,include/SDL} "$WORK"
    started=$(date +%s)
    export PKG_CONFIG_LIBDIR=$STAGE/lib/pkgconfig
    export CPPFLAGS="-I$STAGE/include"
    export LDFLAGS="-L$STAGE/lib"
    export CFLAGS="-O2"
}

step() { echo "# $(($(date +%s) - started)) s: $*"; }

make_install() { make -j"$JOBS" "$@" >make.log 2>&1 && make install "$@" >>make.log 2>&1 || { tail -30 make.log; return 1; }; }

# libraries RECIPE WHAT [--libs-only]: runs scripts/RECIPE, its progress on
# standard error, and sets PREFIX to the folder it prints last. With
# --libs-only the calling script ends there: scripts/test.sh has the libraries
# built alone, in the background, while its first legs run.
libraries() {
    local t0
    t0=$(date +%s)
    # Progress to standard error through a pipe: tee opening /dev/stderr would truncate a log file it points to.
    PREFIX=$(bash "$ROOT/scripts/$1" | tee >(cat >&2) | tail -n 1)
    echo "# $2 ready in $(($(date +%s) - t0)) s"
    [ "${3:-}" != --libs-only ] || exit 0
}

# close_cache: the finished folder under its final name, printed last.
close_cache() {
    # Text files name the folder they were built in: point them at the final one.
    grep -rlI --null "$STAGE" "$STAGE" | xargs -0 -r sed -i "s|$STAGE|$PREFIX|g"
    mv "$STAGE" "$PREFIX"
    step "done: $PREFIX"
    echo "$PREFIX"
}

# deb_src_entries SUDO: gives apt deb-src entries for the very suites the
# system installs from, if it has none; sets NEED_UPDATE=1 when it added them.
deb_src_entries() {
    local sudo=$1
    grep -rqs '^Types:.*deb-src\|^deb-src ' /etc/apt/sources.list /etc/apt/sources.list.d/ && return 0
    {
        for f in /etc/apt/sources.list.d/*.sources; do
            [ -f "$f" ] && sed -n '/^Types:/,/^$/p' "$f" | sed 's/^Types: deb$/Types: deb-src/' && echo
        done
        if [ -f /etc/apt/sources.list ]; then
            awk '$1 == "deb" { $1 = ""; print "Types: deb-src"; print "URIs: " $2; printf "Suites: %s\nComponents:", $3;
                 for (i = 4; i <= NF; i++) printf " %s", $i; print "\n" }' /etc/apt/sources.list
        fi
    } | $sudo tee /etc/apt/sources.list.d/duskwane-deb-src.sources >/dev/null
    NEED_UPDATE=1
}

# install_missing SUDO PACKAGE...: installs the packages not yet installed
# (after apt-get update when needed, or when the deb-src entries are not read yet).
install_missing() {
    local sudo=$1 p missing=()
    shift
    for p in "$@"; do
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
    done
    # Another install may hold apt's lock for a while: wait for it.
    if [ "${NEED_UPDATE:-0}" = 1 ] || [ "${#missing[@]}" -gt 0 ] || ! apt-cache showsrc libogg 2>/dev/null | grep -q '^Package:'; then
        $sudo apt-get -o DPkg::Lock::Timeout=1200 update
    fi
    if [ "${#missing[@]}" -gt 0 ]; then
        DEBIAN_FRONTEND=noninteractive $sudo apt-get -o DPkg::Lock::Timeout=1200 install -y --no-install-recommends "${missing[@]}"
    fi
}

# source_of PACKAGE: unpacks Debian's source package (patches applied) into
# $WORK and prints its directory; the downloads stay in $SOURCES. The newest
# version first; the archive may only hold an older one of the same suite.
source_of() {
    local pkg=$1 v
    if ! ls "$SOURCES/$pkg"/*.dsc >/dev/null 2>&1; then
        mkdir -p "$SOURCES/$pkg.part"
        local got=no
        for v in $(apt-cache showsrc "$pkg" | awk '/^Version:/ { print $2 }' | sort -rVu); do
            (cd "$SOURCES/$pkg.part" && apt-get source --download-only "$pkg=$v" >/dev/null 2>&1) || true
            # An upstream signature (.asc) the archive lacks is not needed to build.
            if ls "$SOURCES/$pkg.part"/*.dsc "$SOURCES/$pkg.part"/*.orig.tar.* >/dev/null 2>&1; then
                got=yes
                break
            fi
            rm -f "$SOURCES/$pkg.part"/*
        done
        [ "$got" = yes ] || return 1
        mv "$SOURCES/$pkg.part" "$SOURCES/$pkg"
    fi
    local dsc
    dsc=$(ls "$SOURCES/$pkg"/*.dsc | head -n 1)
    rm -rf "${WORK:?}/$pkg"
    if ! dpkg-source --no-check -x "$dsc" "$WORK/$pkg" >/dev/null 2>&1; then
        # dpkg-source wants every file the .dsc names: unpack and patch by hand.
        rm -rf "${WORK:?}/$pkg" && mkdir -p "$WORK/$pkg"
        tar -xf "$(ls "$SOURCES/$pkg"/*.orig.tar.* | grep -v '\.asc$' | head -n 1)" -C "$WORK/$pkg" --strip-components=1
        tar -xf "$(ls "$SOURCES/$pkg"/*.debian.tar.*)" -C "$WORK/$pkg"
        if [ -f "$WORK/$pkg/debian/patches/series" ]; then
            (cd "$WORK/$pkg" && sed 's/#.*//' debian/patches/series | while read -r p; do
                [ -z "$p" ] || patch -sp1 <"debian/patches/$p" || exit 1
            done) || return 1
        fi
    fi
    echo "$WORK/$pkg"
}

# enter PACKAGE: into the unpacked source of PACKAGE, or stop.
enter() {
    local dir
    dir=$(source_of "$1") || { echo "no source package $1 could be fetched" >&2; exit 1; }
    cd "$dir"
}
