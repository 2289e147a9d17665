# The Debian packages, as a Debian developer checks them; sourced by installed.sh.
# Uses $build, $source, $work and $multiarch. Pipelines end in grep -c, not grep -q,
# which stops reading early: under pipefail the writer's SIGPIPE would fail them.

runtime=libwendra-core0 development=libwendra-core-dev tools=wendra-original-tools

fail() {
    echo "$*"
    exit 1
}

# cpack, then every package's file list and control fields.
build_packages() {
    (cd "$build" && cpack -G DEB -B "$work/pkg" >"$work/cpack.log" 2>&1) || { cat "$work/cpack.log"; exit 1; }
    for p in $runtime $development $tools; do
        deb=$(echo "$work"/pkg/${p}_*.deb)
        [ -f "$deb" ] || fail "no package $p"
        dpkg-deb -c "$deb" | awk '{print $6}' | sed 's|^\./|/|' | grep -v '/$' >"$work/$p.files"
        dpkg-deb -f "$deb" >"$work/$p.control"
        echo "$p: $(grep -c '' "$work/$p.files") files, Installed-Size $(dpkg-deb -f "$deb" Installed-Size) KiB," \
            "$(stat -c %s "$deb") bytes"
        echo "  Depends: $(dpkg-deb -f "$deb" Depends)"
    done
}

# Every file an install lays out is in exactly one package (a rule without a
# component of the three would be left out), and in the one its folder belongs to.
check_split() {
    local lib=/usr/lib/$multiarch
    cmake --install "$build" --prefix "$work/all" >/dev/null
    (cd "$work/all" && find . -type f -o -type l) | sed 's|^\.|/usr|' | sort >"$work/installed.files"
    sort "$work"/$runtime.files "$work"/$development.files "$work"/$tools.files >"$work/packaged.files"
    diff "$work/installed.files" "$work/packaged.files" || fail "installed files and packaged files differ"
    ! grep -E '^/usr/(bin|include|share/man)/|^'"$lib"'/(cmake|pkgconfig)/|^'"$lib"'/[^/]*\.so$' \
        "$work/$runtime.files" || fail "$runtime holds files of the -dev or tools package"
    ! grep -vE '^/usr/include/wendra/|^'"$lib"'/[^/]*\.so$|^'"$lib"'/(cmake|pkgconfig)/|^/usr/share/doc/'"$development"'/' \
        "$work/$development.files" || fail "$development holds files of another package"
    ! grep -vE '^/usr/bin/|^/usr/share/man/man1/|^/usr/share/wendra-original/samples/|^/usr/share/doc/'"$tools"'/' \
        "$work/$tools.files" || fail "$tools holds files of another package"
    for f in "$lib/libwendra_core.so.0" "$lib/libwendra_comhost.so.0" "$lib/wendra-original/libWendra_Original.so" \
        "$lib/wendra-original/wendra-scan" "$lib/wendra-original/FileType.INI" \
        /usr/share/wendra-original/original_text.sqlite.sql; do
        grep -qxF "$f" "$work/$runtime.files" || fail "$runtime lacks $f"
    done
    for f in /usr/include/wendra/Wendra_Original.h "$lib/libwendra_core.so" "$lib/pkgconfig/wendra-comhost.pc" \
        "$lib/cmake/WendraOriginal/WendraOriginalConfig.cmake" \
        /usr/share/doc/$development/examples/c-host/host.c; do
        grep -qxF "$f" "$work/$development.files" || fail "$development lacks $f"
    done
    for program in $(grep '^/usr/bin/' "$work/$tools.files"); do
        grep -qxF "/usr/share/man/man1/$(basename "$program").1.gz" "$work/$tools.files" ||
            fail "$program has no man page"
    done
    for p in $runtime $development $tools; do
        grep -qxF "/usr/share/doc/$p/copyright" "$work/$p.files" || fail "$p has no copyright file"
        [ "$(sed -n 's/^Description: //p' "$work/$p.control")" != "" ] || fail "$p has no summary"
        [ "$(sed -n '/^Description:/,$p' "$work/$p.control" | grep -c '^ ')" -ge 3 ] ||
            fail "$p has no extended description"
    done
    grep -qx 'Multi-Arch: same' "$work/$runtime.control" && grep -qx 'Multi-Arch: same' "$work/$development.control" &&
        grep -qx 'Multi-Arch: foreign' "$work/$tools.control" || fail "Multi-Arch fields are wrong"
    grep -q "^Depends:.*$runtime (= " "$work/$development.control" || fail "$development does not depend on $runtime"
    for p in libqt6widgets6 libcurl4 libtiff6 libc6; do
        grep -q "^Depends:.*$p" "$work/$runtime.control" || fail "$runtime does not depend on $p"
    done
    ! grep -vh '^/usr/share/doc/[^/]*/examples/' "$work"/*.files | grep -E '/src/|\.cpp$|/build' ||
        fail "a package holds sources or build files"
}

# Stripped binaries, their debug information in -dbgsym packages; the symbols
# file matching what the libraries export; the ldconfig trigger in place of scripts.
check_debian_conventions() {
    mkdir -p "$work/x"
    for p in $runtime $development $tools; do
        dpkg -x "$work"/pkg/${p}_*.deb "$work/x/$p"
        # Installed-Size: what the files take, give or take a KiB for each entry.
        local size bytes entries
        size=$(sed -n 's/^Installed-Size: //p' "$work/$p.control")
        bytes=$(find "$work/x/$p" -type f -printf '%s\n' | awk '{s += $1} END {print s}')
        entries=$(find "$work/x/$p" -mindepth 1 | wc -l)
        ((size * 1024 >= bytes && size <= bytes / 1024 + entries)) ||
            fail "$p: Installed-Size $size KiB, its $entries files and folders take $bytes bytes"
    done
    for p in $runtime $tools; do
        dpkg -x "$work"/pkg/${p}-dbgsym_*.ddeb "$work/x/$p-dbgsym"
        while read -r f; do
            file -b "$work/x/$p$f" | grep -c '^ELF' >/dev/null || continue
            readelf -S "$work/x/$p$f" | grep -c '\.debug_info' >/dev/null && fail "$f is not stripped"
            # Hardened as Debian builds: read-only relocations bound at start, and
            # the stack protector (and, for the core, fortified functions) in use.
            readelf -lW "$work/x/$p$f" | grep -c GNU_RELRO >/dev/null &&
                readelf -d "$work/x/$p$f" | grep -c BIND_NOW >/dev/null ||
                fail "$f is linked without -z relro -z now"
            id=$(readelf -n "$work/x/$p$f" | sed -n 's/.*Build ID: //p')
            [ -f "$work/x/$p-dbgsym/usr/lib/debug/.build-id/${id:0:2}/${id:2}.debug" ] ||
                fail "no debug information for $f"
        done <"$work/$p.files"
    done
    deb=$(echo "$work"/pkg/${runtime}_*.deb)
    dpkg-deb --ctrl-tarfile "$deb" | tar -t | sort | tr '\n' ' ' >"$work/control-files"
    [ "$(cat "$work/control-files")" = "./ ./control ./md5sums ./shlibs ./symbols ./triggers " ] ||
        fail "$runtime's control files: $(cat "$work/control-files")"
    local lib=$work/x/$runtime/usr/lib/$multiarch
    local imports
    imports=$(nm -D --undefined-only "$lib/libwendra_core.so.0")
    grep -q '__stack_chk_fail' <<<"$imports" && grep -q '_chk@' <<<"$imports" ||
        fail "the core is built without -fstack-protector-strong and -D_FORTIFY_SOURCE=2"
    readelf --dyn-syms -W "$lib/libwendra_core.so.0" | grep -c 'WoCreateObject@@WENDRA_0' >/dev/null ||
        fail "the core's functions are not in the version node WENDRA_0"
    mkdir -p "$work/gensymbols/debian"
    (cd "$work/gensymbols" && dpkg-gensymbols -p$runtime -v"$(dpkg-deb -f "$deb" Version)" -P"$work/x/$runtime" \
        -e"$lib/libwendra_core.so.0" -e"$lib/libwendra_comhost.so.0" -I"$source/packaging/symbols" \
        -O"$work/symbols.out" -c4) || fail "the symbols file does not match the libraries' exports"
    ! grep -q 'ldconfig' <(dpkg-deb -I "$deb" postinst postrm 2>/dev/null) || fail "a maintainer script calls ldconfig"
}

# lintian at its default level: any error or warning fails. (Its informational
# notes remain: .comment sections CPack's strip leaves, the sample documents
# outside /usr/share/doc.)
run_lintian() {
    lintian --no-cfg --fail-on none --display-level '>=warning' "$work"/pkg/*.deb "$work"/pkg/*.ddeb >"$work/lintian.log" 2>&1 ||
        { cat "$work/lintian.log"; fail "lintian did not run"; }
    ! grep -E '^[EW]: ' "$work/lintian.log" || fail "lintian finds errors or warnings"
}

# The packages' dependencies resolve on this system, and dpkg installs them into a
# root of their own, where nothing was before.
install_root() {
    apt-get install -s -qq "$work"/pkg/*.deb >"$work/apt.log" 2>&1 || { cat "$work/apt.log"; fail "apt cannot resolve the packages' dependencies"; }
    root=$work/root
    mkdir -p "$root/var/lib/dpkg/info" "$root/var/lib/dpkg/updates" "$root/var/lib/dpkg/triggers"
    touch "$root/var/lib/dpkg/status" "$root/var/lib/dpkg/available"
    dpkg --root="$root" --force-depends --force-script-chrootless -i "$work"/pkg/*.deb >"$work/dpkg.log" 2>&1 ||
        { cat "$work/dpkg.log"; fail "dpkg cannot install the packages"; }
}

# Removing the packages leaves nothing behind but dpkg's own records.
purge_root() {
    dpkg --root="$root" --force-depends --force-script-chrootless -P $tools $development $runtime >>"$work/dpkg.log" 2>&1 ||
        { cat "$work/dpkg.log"; fail "dpkg cannot remove the packages"; }
    left=$(find "$root" -mindepth 1 -not -path "$root/var" -not -path "$root/var/lib" -not -path "$root/var/lib/dpkg*")
    [ -z "$left" ] || fail "left behind after removal: $left"
}
