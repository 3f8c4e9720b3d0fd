#!/usr/bin/env bash
# The Maven plugin, offline, from Debian's repository alone (the plugin's
# settings.xml), each run with a local repository of its own.
#   maven_test.sh verify PROJECT_DIR WORK_DIR
#       the plugin's unit tests and integration tests (its sample projects
#       under src/it), in a copy of the project the release build staged;
#   maven_test.sh release RELEASE_DIR VERSION PLUGIN_SOURCE_DIR BRIDGE_DIR WORK_DIR
#       the user's path: the plugin installed from the release's JAR and POM
#       into a fresh local repository, the pack-sample project built with it
#       (mvn install), and its program run under Wine through the JVM bridge
#       (packed with the launcher of the bridge's word size); 77 (skipped)
#       when BRIDGE_DIR holds no bridge.
set -u
here=$(cd "$(dirname "$0")" && pwd)
. "$here/check.sh" || exit 1
mode=$1
shift

if [ "$mode" = verify ]; then
  project=$1 work=$2
  rm -rf "$work/plugin" && mkdir -p "$work" || exit 1
  cp -r "$project" "$work/plugin" && rm -rf "$work/plugin/target" || exit 1
  cd "$work/plugin" || exit 1
  mvn --batch-mode --settings settings.xml -Dmaven.repo.local="$work/repository" verify
  exit $?
fi

version=$2 bridge_dir=$4 work=$5
release=$(cd "$1" && pwd) && source=$(cd "$3" && pwd) || exit 1
. "$here/jvm_bridge/bridge_registration.sh" || exit 1
require_bridge "$bridge_dir"
settings=$source/settings.xml
rm -rf "$work" && mkdir -p "$work" || exit 1
mvn_offline() {
  mvn --batch-mode --settings "$settings" -Dmaven.repo.local="$work/repository" "$@" >>"$work/maven.log" 2>&1
}
mvn_offline install:install-file -Dfile="$release/vandrel-maven-plugin-$version.jar" \
  -DpomFile="$release/vandrel-maven-plugin-$version.pom"
check "plugin installed from the release" 0 $?

# The plugin carries the release's own programs.
jar=$release/vandrel-maven-plugin-$version.jar
tar xzf "$release/vandrel-$version-linux-x86_64.tar.gz" -C "$work" || exit 1
for pair in win32/vandrel.exe:win32/vandrel.exe win64/vandrel.exe:win64/vandrel.exe \
            linux-x86_64/vandrel-pack:vandrel-pack; do
  check "carried ${pair%%:*}" "$(sha256sum < "$work/vandrel-$version-linux-x86_64/${pair#*:}")" \
    "$(unzip -p "$jar" "vandrel/${pair%%:*}" | sha256sum)"
done
check "carried windows/vandrel-pack.exe" "$(unzip -p "$release/vandrel-$version-win32.zip" "vandrel-$version-win32/vandrel-pack.exe" | sha256sum)" \
  "$(unzip -p "$jar" vandrel/windows/vandrel-pack.exe | sha256sum)"

# The sample project as a user has it: the plugin's version written in.
cp -r "$source/src/it/parent" "$source/src/it/pack-sample" "$work/" || exit 1
sed -i "s/@project.version@/$version/" "$work/parent/pom.xml"
(cd "$work/pack-sample" && mvn_offline -Dvandrel.launcher=$bridge_launcher install)
check "mvn install of the sample" 0 $?
installed=$work/repository/com/brightfen/vandrel/it/pack-sample/1.0
check "program installed beside the JAR" "pack-sample-1.0.exe
pack-sample-1.0.jar" "$(cd "$installed" && ls pack-sample-1.0.exe pack-sample-1.0.jar 2>&1)"

exe=$work/pack-sample/target/pack-sample-1.0.exe
check "configured values, icon and version information" "  min_version = 11
Icon 101: 16x16/32bit 32x32/32bit
  ProductName = Pack Sample" \
  "$("$work/vandrel-$version-linux-x86_64/vandrel-pack" --show "$exe" | grep -E '^  min_version|^Icon|ProductName')"
out=$("$here/jvm_bridge/run_with_bridge.sh" "$bridge_dir" "$exe" first "second argument" 2>&1)
check "program's status" 0 $?
check "program's output" "pack-sample: greeting=hello from the POM
pack-sample: args=--from-pom|first|second argument" "$(printf '%s\n' "$out" | tr -d '\r' | grep '^pack-sample:')"

# Without vandrel.launcher the plugin takes the win64 launcher.
(cd "$work/pack-sample" && mvn_offline package)
check "mvn package without a launcher" 0 $?
check "the default launcher is x64" "machine x64" \
  "$("$work/vandrel-$version-linux-x86_64/vandrel-pack" --show "$exe" | grep '^Image' | grep -o 'machine [^,]*')"

if [ $failed -eq 0 ]; then echo "Maven plugin from the release: all checks passed"; else cat "$work/maven.log"; fi
exit $failed
