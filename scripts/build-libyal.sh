#!/usr/bin/env bash
# Builds libewf, libvhdi and libvmdk for one MinGW-w64 target, or natively, from Debian's source
# packages (the same versions as the native -dev packages), static, into PREFIX, with the mends kept in
# scripts/libyal-patches (LIBRARY-*.patch) applied. Only the libraries are built: no tools, no
# documents, no Python, each library with the bundled helper libraries it needs, zlib from Debian's
# libz-mingw-w64-dev (natively the system's). A finished PREFIX holds a stamp naming the versions,
# patches and flags: a second run does nothing.
#   scripts/build-libyal.sh i686-w64-mingw32|x86_64-w64-mingw32|native PREFIX [CC [CFLAGS]]
# Natively CC and CFLAGS are those of the build (the fuzz build's sanitizers instrument the libraries).
set -eu
host=$1
prefix=$(mkdir -p "$2" && cd "$2" && pwd)
cc=${3:-cc}
cflags="-O2 -g0 ${4:-}"
here=$(cd "$(dirname "$0")/.." && pwd)
libs="libewf libvhdi libvmdk"
versions=""
for lib in $libs; do
  versions="$versions $lib=$(dpkg-query -W -f '${Version}' "$lib-dev" 2>/dev/null || echo none)"
done
patches=$(cat "$here"/scripts/libyal-patches/*.patch 2>/dev/null | sha256sum | cut -c1-16)
stamp="$prefix/built.txt"
if [ -f "$stamp" ] && [ "$(cat "$stamp")" = "$host$versions patches=$patches cc=$cc cflags=$cflags" ]; then
  exit 0
fi

# The Debian source packages, fetched once (the set-up adds the deb-src entry) into the build folder.
# The upstream sources they carry are built as released: Debian's own patches change only its
# packaging (pkg-config paths, tests skipped on some architectures) and would need the autotools.
sources="$prefix/../libyal-sources"
mkdir -p "$sources"
cd "$sources"
for lib in $libs; do
  if ! ls "$lib"_*.orig.tar.gz >/dev/null 2>&1; then
    apt-get source -q --download-only "$lib" >/dev/null 2>&1 ||
      { echo "apt-get source $lib failed (scripts/setup.sh adds the deb-src entry it needs)" >&2; exit 1; }
  fi
done

if [ "$host" = native ]; then
  # The bundled helper libraries, not the system's (Debian installs them beside the -dev packages).
  target=(CC="$cc")
  for helper in bfio cdata cdatetime cerror cfile clocale cnotify cpath csplit cthreads fcache fdata fguid \
    fvalue hmac mfdata odraw smdev smraw una; do
    target+=(--with-lib$helper=no)
  done
  tools=""
else
  target=(--host="$host" --enable-winapi --enable-wide-character-type --with-zlib="/usr/$host")
  tools="$host-"
fi
build="$prefix/work"
rm -rf "$build" "$prefix/lib" "$prefix/include"
mkdir -p "$build"
for lib in $libs; do
  archive=$(ls "$sources/$lib"_*.orig.tar.gz | head -1)
  echo "== building $lib ($(basename "$archive")) for $host"
  mkdir -p "$build/$lib"
  tar xzf "$archive" -C "$build/$lib" --strip-components=1
  cd "$build/$lib"
  for patch in "$here"/scripts/libyal-patches/"$lib"-*.patch; do
    if [ -f "$patch" ]; then
      patch -s -p1 <"$patch" || { echo "$patch does not apply to $lib" >&2; exit 1; }
    fi
  done
  # Bundled helper libraries (not the system's), no multi-threading (the engine serialises reads),
  # no crypto library (hashes come from the container's own records), no FUSE or Python.
  # The three share one cache of configure's answers: their checks are mostly the same.
  ./configure -q --cache-file="$build/config.cache" "${target[@]}" --prefix="$prefix" --enable-static --disable-shared \
    --disable-multi-threading-support --disable-nls --disable-python \
    --without-openssl --without-libfuse --without-libuuid --without-bzip2 \
    CFLAGS="$cflags" >configure.log 2>&1 ||
    { tail -30 configure.log >&2; exit 1; }
  # Only the library and what it links: the folders before it in the list of subfolders.
  dirs=$(sed -n '/^SUBDIRS *=/,/^$/p' Makefile.am | tr -d '\\' | tr -s ' \t\n' '\n' | grep -v '^SUBDIRS\|^=$\|^$' |
    sed "/^$lib\$/q" | tr "\n" " ")
  make -s -j2 SUBDIRS="$dirs" >make.log 2>&1 || { tail -30 make.log >&2; exit 1; }
  make -s install SUBDIRS="include $lib" >>make.log 2>&1 || { tail -30 make.log >&2; exit 1; }
  "$here/scripts/localize-archive.sh" "$tools" "$prefix/lib/$lib.a" "$lib" "$prefix/lib/$lib.a"
done
rm -rf "$build"
echo "$host$versions patches=$patches cc=$cc cflags=$cflags" >"$stamp"
