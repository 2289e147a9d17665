#!/usr/bin/env bash
# Checks the component as hosts get it, from an install prefix or from the Debian
# package unpacked with dpkg -x: the exported symbols, SONAMEs and RUNPATHs of its
# libraries, and the example hosts built against it alone and run.
#   installed.sh prefix|package BUILD_DIR SOURCE_DIR WORK_DIR
set -euo pipefail
mode=$1 build=$2 source=$3 work=$4
rm -rf "$work" && mkdir -p "$work"
multiarch=$(gcc -print-multiarch)

if [ "$mode" = prefix ]; then
    cmake --install "$build" --prefix "$work/P" >/dev/null
    prefix=$work/P
else
    (cd "$build" && cpack -G DEB -B "$work/pkg" >/dev/null)
    deb=$(ls "$work"/pkg/wendra-original_*.deb)
    dpkg-deb -c "$deb" | awk '{print $6}' >"$work/files"
    for f in ./usr/lib/$multiarch/libwendra_core.so.0 ./usr/lib/$multiarch/libwendra_comhost.so.0 \
        ./usr/lib/$multiarch/wendra-original/libWendra_Original.so ./usr/lib/$multiarch/wendra-original/wendra-scan \
        ./usr/lib/$multiarch/wendra-original/FileType.INI ./usr/include/wendra/Wendra_Original.h \
        ./usr/include/wendra/comhost.h ./usr/lib/$multiarch/cmake/WendraOriginal/WendraOriginalConfig.cmake \
        ./usr/lib/$multiarch/pkgconfig/wendra-original.pc ./usr/share/wendra-original/original_text.sqlite.sql \
        ./usr/share/wendra-original/original_text.postgresql.sql ./usr/share/wendra-original/original_text.mariadb.sql \
        ./usr/share/wendra-original/errors.tsv ./usr/include/wendra/errors.h ./usr/bin/demohost ./usr/bin/wendra-audit; do
        grep -qxF -- "$f" "$work/files" || grep -qF -- "$f " "$work/files" || { echo "missing from the package: $f"; exit 1; }
    done
    ! grep -E '/src/|\.cpp$|/build' "$work/files" || { echo "the package holds sources or build files"; exit 1; }
    depends=$(dpkg-deb -f "$deb" Depends)
    echo "Depends: $depends"
    for p in libqt6widgets6 libcurl4 libtiff6 libc6; do
        [[ $depends == *"$p"* ]] || { echo "Depends lacks $p"; exit 1; }
    done
    dpkg -x "$deb" "$work/root"
    prefix=$work/root/usr
fi
libdir=$prefix/lib/$multiarch

# Only the public interface is exported; nothing carries a build folder's path.
core=$(nm -D --defined-only "$libdir/libwendra_core.so.0" | awk '{print $3}')
! grep -v '^Wo' <<<"$core" || { echo "the core exports internals"; exit 1; }
grep -qx WoCreateObject <<<"$core" && grep -qx WocPrinter_PrintAnyFile <<<"$core"
! nm -DC --defined-only "$libdir/libwendra_comhost.so.0" | grep -E ' wo::(ui|store|db|entry|transfer)::' ||
    { echo "comhost exports internals"; exit 1; }
module=$(nm -D --defined-only "$libdir/wendra-original/libWendra_Original.so" | awk '{print $3}' | sort | tr '\n' ' ')
[ "$module" = "DllCanUnloadNow DllGetClassObject DllRegisterServer DllUnregisterServer " ] ||
    { echo "the module exports: $module"; exit 1; }
for lib in "$libdir/libwendra_core.so.0" "$libdir/libwendra_comhost.so.0" "$libdir/wendra-original/libWendra_Original.so"; do
    readelf -d "$lib" | grep -q SONAME || { echo "no SONAME: $lib"; exit 1; }
done
for f in "$libdir"/*.so.0 "$libdir"/wendra-original/libWendra_Original.so "$libdir"/wendra-original/wendra-scan \
    "$prefix/bin/demohost" "$prefix/bin/wendra-audit"; do
    runpath=$(readelf -d "$f" | sed -n 's/.*RUNPATH.*\[\(.*\)\]/\1/p')
    [ -z "$runpath" ] || [[ $runpath == '$ORIGIN'* ]] || { echo "$f: RUNPATH $runpath"; exit 1; }
done

# The example hosts, built against what is installed only.
export QT_QPA_PLATFORM=offscreen WO_COM_REGISTRY=$work/registry.ini
cp -r "$source/examples" "$work/examples"
PKG_CONFIG_PATH=$libdir/pkgconfig make -s -C "$work/examples/c-host" LDFLAGS="-Wl,-rpath,$libdir"
cmake -S "$work/examples/cpp-host" -B "$work/cpp-build" -DCMAKE_PREFIX_PATH="$prefix" \
    -DCMAKE_BUILD_RPATH="$libdir" >/dev/null
cmake --build "$work/cpp-build" >/dev/null
"$source/tests/support/check_host.sh" "$work/examples/c-host/host" "$work/c-run" shutdown
"$source/tests/support/check_host.sh" "$work/cpp-build/host" "$work/cpp-run"
echo "installed ($mode): exports, SONAMEs, RUNPATHs and both example hosts are right"
