#!/bin/sh
# Checks that libVarekLib.so exports exactly the functions its public header
# declares (plus the Java native methods when the bridge is built), and needs
# nothing but the C library.
set -eu
lib=$1
header=$2

declared=$(sed -n 's/^VAREK_API[^(]*[ *]\([A-Za-z0-9_]*\)(.*/\1/p' "$header" | sort)
exported=$(nm -D --defined-only "$lib" | awk '{print $3}' | grep -v '^Java_velmora_varek_VarekNativeCallsClass_' | sort)
if [ "$declared" != "$exported" ]; then
  echo "exports differ from the header (< header only, > library only):"
  printf '%s\n' "$declared" >/tmp/varek_declared.$$
  printf '%s\n' "$exported" >/tmp/varek_exported.$$
  diff /tmp/varek_declared.$$ /tmp/varek_exported.$$ || true
  rm -f /tmp/varek_declared.$$ /tmp/varek_exported.$$
  exit 1
fi

java=$(nm -D --defined-only "$lib" | awk '{print $3}' | grep -c '^Java_velmora_varek_VarekNativeCallsClass_' || true)
if [ "$java" -ne 0 ] && [ "$java" -ne 10 ]; then
  echo "expected the ten Java native methods, found $java"
  exit 1
fi

soname=$(readelf -d "$lib" | sed -n 's/.*Library soname: \[\(.*\)\]/\1/p')
case "$soname" in
  libVarekLib.so.[0-9]*) ;;
  *) echo "missing or unexpected SONAME: '$soname'"; exit 1 ;;
esac

# Only the C library: libc, libm, and the dynamic loader that provides the
# thread-local storage and unwinding entry points of the C library.
needed=$(readelf -d "$lib" | sed -n 's/.*Shared library: \[\(.*\)\]/\1/p')
for dep in $needed; do
  case "$dep" in
    libc.so.6|libm.so.6|ld-linux-*.so.*) ;;
    *) echo "unexpected dependency: $dep"; exit 1 ;;
  esac
done
echo "exports: $(printf '%s\n' "$declared" | wc -l) functions, $java Java natives; soname $soname; needs: $needed"
