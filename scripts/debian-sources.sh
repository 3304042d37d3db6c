# shellcheck shell=bash
# What the library recipes share (scripts/windows-libs.sh, scripts/web-libs.sh)
# and the scripts that call them: Debian's source packages, fetched once into
# $CACHE/sources and unpacked with Debian's patches applied. Sourced, not run.

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
    if [ "${NEED_UPDATE:-0}" = 1 ] || [ "${#missing[@]}" -gt 0 ] || ! apt-cache showsrc libogg 2>/dev/null | grep -q '^Package:'; then
        $sudo apt-get update
    fi
    if [ "${#missing[@]}" -gt 0 ]; then
        DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y --no-install-recommends "${missing[@]}"
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
