#!/bin/sh
# Runs the Java example sale against a varek-sim process, with the JVM's JNI
# checks on. Usage: run_example.sh VAREK_SIM JAVA LIBRARY_DIR CLASSPATH
set -eu
sim=$1
java=$2
libdir=$3
classpath=$4

work=$(mktemp -d)
simpid=""
stop_sim() {
  if [ -n "$simpid" ]; then
    kill "$simpid" 2>/dev/null || true
    wait "$simpid" 2>/dev/null || true
  fi
  rm -rf "$work"
}
trap stop_sim EXIT
mkfifo "$work/path"
"$sim" --paper "$work/paper.txt" >"$work/path" &
simpid=$!
# The first line the simulator prints is the path of its serial line.
read -r port <"$work/path"
echo "virtual printer on $port"

# The sale runs in the work directory, where the driver may write its log.
cd "$work"
"$java" -Xcheck:jni -Djava.library.path="$libdir" -cp "$classpath" \
  velmora.varek.example.SaleExample "$port" 115200
