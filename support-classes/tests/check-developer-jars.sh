#!/bin/sh
# The jars a developer compiles against: lib/wyn-support.jar with its sources jar and API
# documentation jar beside it. Every public top-level class of the support jar has its source
# and its documentation page, and an application that uses the classes compiles with
# `javac -cp wyn-support.jar` as docs/services.md shows.
#   check-developer-jars.sh LIB_DIR JDK
set -eu
lib=$1
jdk=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

classes=$("$jdk/bin/jar" tf "$lib/wyn-support.jar" | grep '^com/tarnwick/wyn/[^$]*\.class$' | sed 's/\.class$//')
[ -n "$classes" ] || { echo "no classes in $lib/wyn-support.jar"; exit 1; }
sources=$("$jdk/bin/jar" tf "$lib/wyn-support-sources.jar")
docs=$("$jdk/bin/jar" tf "$lib/wyn-support-javadoc.jar")
echo "$docs" | grep -qx 'index.html' || { echo "the javadoc jar has no index.html"; exit 1; }
status=0
for class in $classes; do
    echo "$sources" | grep -qx "$class.java" || { echo "no source for $class"; status=1; }
    if "$jdk/bin/javap" -cp "$lib/wyn-support.jar" "$class" | grep -q '^public '; then
        echo "$docs" | grep -qx "$class.html" || { echo "no documentation page for $class"; status=1; }
    fi
done

mkdir -p "$work/src/app" "$work/classes"
cat > "$work/src/app/TrayUser.java" <<'JAVA'
package app;

import com.tarnwick.wyn.Instances;
import com.tarnwick.wyn.SystemTray;

public class TrayUser {
    public static void main(String[] args) {
        SystemTray icon = new SystemTray(1, "a tip");
        icon.Show();
        System.out.println(Instances.getCurrentInstance());
    }
}
JAVA
"$jdk/bin/javac" --release 8 -Xlint:-options -cp "$lib/wyn-support.jar" -d "$work/classes" \
    "$work/src/app/TrayUser.java" || status=1
[ -f "$work/classes/app/TrayUser.class" ] || { echo "javac wrote no class"; status=1; }
exit $status
