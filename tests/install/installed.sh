#!/usr/bin/env bash
# Checks the component as hosts get it, from an install prefix or from the Debian
# packages (checked, then installed by dpkg into a root of their own): the exported
# symbols, SONAMEs and RUNPATHs of its libraries, the demonstration host on the
# installed core, the example hosts built against it alone and run, and the module
# registered by wendra-register.
#   installed.sh prefix|package BUILD_DIR SOURCE_DIR WORK_DIR
set -euo pipefail
mode=$1 build=$2 source=$3 work=$4
rm -rf "$work" && mkdir -p "$work"
multiarch=$(gcc -print-multiarch)

if [ "$mode" = prefix ]; then
    cmake --install "$build" --prefix "$work/P" >/dev/null
    prefix=$work/P
else
    . "$source/tests/install/packages.sh"
    build_packages
    check_split
    check_debian_conventions
    run_lintian
    install_root
    prefix=$root/usr
fi
libdir=$prefix/lib/$multiarch

# Only the public interface is exported; nothing carries a build folder's path.
# (nm names each with its version node, which shows itself as a symbol too.)
core=$(nm -D --defined-only "$libdir/libwendra_core.so.0" | awk '$3 != "WENDRA_0" {sub(/@.*/, "", $3); print $3}')
! grep -v '^Wo' <<<"$core" || { echo "the core exports internals"; exit 1; }
# Every function the headers declare is exported, and nothing else: the four
# server functions by the module, the rest by the core.
declared=$(cat "$prefix"/include/wendra/*.h | tr -s ' \n' ' ' | grep -oE 'WO_API [^;(]*[ *](Wo|Dll)[A-Za-z_]*\(' |
    sed -E 's/.*[ *]([A-Za-z_]*)\($/\1/' | grep -v '^Dll' | sort)
[ "$declared" = "$(sort <<<"$core")" ] ||
    { echo "declared and exported functions differ:"; diff <(echo "$declared") <(sort <<<"$core"); exit 1; }
! nm -DC --defined-only "$libdir/libwendra_comhost.so.0" | grep -E ' wo::(ui|store|db|entry|transfer)::' ||
    { echo "comhost exports internals"; exit 1; }
module=$(nm -D --defined-only "$libdir/wendra-original/libWendra_Original.so" | awk '{print $3}' | sort | tr '\n' ' ')
[ "$module" = "DllCanUnloadNow DllGetClassObject DllRegisterServer DllUnregisterServer " ] ||
    { echo "the module exports: $module"; exit 1; }
for lib in "$libdir/libwendra_core.so.0" "$libdir/libwendra_comhost.so.0" "$libdir/wendra-original/libWendra_Original.so"; do
    readelf -d "$lib" | grep -c SONAME >/dev/null || { echo "no SONAME: $lib"; exit 1; }
done
for f in "$libdir"/*.so.0 "$libdir"/wendra-original/libWendra_Original.so "$libdir"/wendra-original/wendra-scan \
    "$libdir"/wendra-original/wendra-ocr "$prefix/bin/demohost" "$prefix/bin/wendra-audit" "$prefix/bin/wendra-index"; do
    runpath=$(readelf -d "$f" | sed -n 's/.*RUNPATH.*\[\(.*\)\]/\1/p')
    [ -z "$runpath" ] || [[ $runpath == '$ORIGIN'* ]] || { echo "$f: RUNPATH $runpath"; exit 1; }
done

# The demonstration host as installed runs on the installed core, and needs no
# function of it but the exported ones.
demohost=$prefix/bin/demohost
dynamic=$(readelf -d "$demohost")
grep -qF 'Shared library: [libwendra_core.so.0]' <<<"$dynamic" || { echo "demohost: no libwendra_core.so.0"; exit 1; }
core_used=$(ldd "$demohost" | sed -n 's/^\s*libwendra_core\.so\.0 => \(\S*\).*/\1/p')
[ "$(realpath "$core_used")" = "$(realpath "$libdir/libwendra_core.so.0")" ] ||
    { echo "demohost runs on ${core_used:-no core}, not the installed one"; exit 1; }
unresolved=$(ldd -r "$demohost" 2>&1 | grep 'undefined symbol' || true)
[ -z "$unresolved" ] || { echo "demohost needs what the installed core does not export: $unresolved"; exit 1; }
QT_QPA_PLATFORM=offscreen "$demohost" --help >/dev/null

# The example hosts, built against what is installed only.
export QT_QPA_PLATFORM=offscreen WO_COM_REGISTRY=$work/registry.ini
cp -r "$source/examples" "$work/examples"
PKG_CONFIG_PATH=$libdir/pkgconfig make -s -C "$work/examples/c-host" LDFLAGS="-Wl,-rpath,$libdir" \
    PKG_CONFIG="pkg-config --define-variable=prefix=$prefix"
cmake -S "$work/examples/cpp-host" -B "$work/cpp-build" -DCMAKE_PREFIX_PATH="$prefix" \
    -DCMAKE_BUILD_RPATH="$libdir" >/dev/null
cmake --build "$work/cpp-build" >/dev/null
"$source/tests/support/check_host.sh" "$work/examples/c-host/host" "$work/c-run" shutdown
"$source/tests/support/check_host.sh" "$work/cpp-build/host" "$work/cpp-run"

# Both pkg-config files name the prefix they were installed for, the folders
# plainly under it; wendra-comhost's Requires are found.
installed_prefix=$prefix
[ "$mode" = prefix ] || installed_prefix=/usr
for pc in wendra-original wendra-comhost; do
    PKG_CONFIG_PATH=$libdir/pkgconfig pkg-config --exists --print-errors $pc
    [ "$(PKG_CONFIG_PATH=$libdir/pkgconfig pkg-config --variable=includedir $pc)" = "$installed_prefix/include" ] ||
        { echo "$pc: includedir is not $installed_prefix/include"; exit 1; }
done

# wendra-register as installed: registers the installed module and removes it again.
rm -f "$WO_COM_REGISTRY"
"$prefix/bin/wendra-register"
grep -qF "$libdir/wendra-original/libWendra_Original.so" "$WO_COM_REGISTRY" ||
    { echo "wendra-register did not register the installed module"; exit 1; }
"$prefix/bin/wendra-register" --unregister
! grep -qF libWendra_Original.so "$WO_COM_REGISTRY" || { echo "wendra-register --unregister left the module"; exit 1; }
[ "$mode" = prefix ] || purge_root
echo "installed ($mode): exports, SONAMEs, RUNPATHs, the demonstration host and both example hosts are right"
