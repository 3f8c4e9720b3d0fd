#!/usr/bin/env bash
# vandrel-pack, built for this host, configuring and packing this build's
# Windows launcher; the results read and run under Wine.
#   pack_wine_test.sh MODE WORK_DIR HOST_PACK LAUNCHER [MODE's files...]
#   cli       OBJDUMP JAR NO_MAIN_CLASS_JAR WINDOWS_PACK   statuses and messages of the tool; the image it
#                                    writes, the same from the Windows build of the tool
#   resources PROBE ICON             LoadStringA, LoadImageA/LoadIconA, GetFileVersionInfoA on the result
#   run       RUN_WITH_BRIDGE BRIDGE_DIR JAR   the packed program in the host's VM through the bridge
#   settings  RUN_WITH_BRIDGE BRIDGE_DIR SETTINGS_JAR   references in value 5 and a working directory
#   gui       BOX_RUN                a GUI-subsystem program's errors in a message box (needs xvfb-run)
#   sign      RUN_WITH_BRIDGE BRIDGE_DIR JAR   packed, then signed with osslsigncode, verified and run
#   manifest                         the launcher's application manifest; --utf8, --manifest and --show
#   utf8      RUN_WITH_BRIDGE BRIDGE_DIR JAR   packed with --utf8: text of every script through the bridge
#   pause     RUN_WITH_BRIDGE BRIDGE_DIR JAR THROWS_JAR   a failure in a console of its own waits for Enter
#   separate  JAVA_DOUBLE JAR        a runtime of another machine type (x86 or x64, ARM64) run through its java.exe
#                                    (a double that writes down its arguments): arguments, status, javaw.exe,
#                                    and value 15 "windows" splitting Microsoft's documented examples
set -u
here=$(cd "$(dirname "$0")" && pwd)
mode=$1 work=$2 pack=$3 launcher=$4
shift 4
rm -rf "$work" && mkdir -p "$work" && cd "$work" || exit 1
. "$here/check.sh"
# le VALUE BYTES: VALUE as BYTES little-endian bytes.
le() { local v=$1 i; for ((i = 0; i < $2; i++)); do printf "\\$(printf %03o $((v >> (8 * i) & 255)))"; done; }
winpath() { echo "Z:$(cd "$(dirname "$1")" && pwd)/$(basename "$1")" | tr / '\\'; }
launcher_sum=$(sha256sum < "$launcher")

case "$mode" in
cli)
  objdump=$1 jar=$2 plain_jar=$3 windows_pack=$4
  cp "$jar" app.jar && cp "$plain_jar" plain.jar
  printf 'plain text' > text.jar
  truncate -s 17M big.ico && truncate -s 65M big.exe
  # rows [COMMAND]: rows of name | arguments | status | standard error, run
  # as COMMAND vandrel-pack ARGUMENTS.
  rows() {
    while IFS='|' read -r name args status err; do
      [ -z "$name" ] && continue
      actual_err=$(eval "$* \"$pack\" $args" 2>&1 >/dev/null)
      actual=$?
      err=$(eval "echo \"$err\"")
      check "$name: status" "$status" "$actual"
      check "$name: message" "$err" "$actual_err"
    done
  }
  e1200=$(printf '\xc3\xa9%.0s' $(seq 1200))
  rows <<'TABLE'
help|--help|0|
help, short|-h|0|
unknown option|--frobnicate a b|1|Unknown option: --frobnicate
a missing archive|--launcher "$launcher" absent.jar out.exe|3|Error opening 'absent.jar': no such file
a device as the manifest|--manifest /dev/zero --launcher "$launcher" app.jar out.exe|3|Not a regular file: /dev/zero
a manifest over its limit|--manifest big.ico --launcher "$launcher" app.jar out.exe|9|Too large: big.ico (vandrel-pack takes a manifest of at most 16 MiB)
a value over 1999 bytes in UTF-8|--utf8 --set "vm_arguments=$e1200" --launcher "$launcher" app.jar out.exe|6|Value too long: vm_arguments holds 2400 bytes, at most 1999 fit
unknown version key|--version-info Colour=red app.jar out.exe|1|Unknown version information key: Colour
value too long|--set "vm_arguments=$(printf 'x%.0s' $(seq 2000))" --launcher "$launcher" app.jar out.exe|6|Value too long: vm_arguments holds 2000 bytes, at most 1999 fit
conversion in no_runtime_message|--set "no_runtime_message=100%" --launcher "$launcher" app.jar out.exe|6|Not a valid no_runtime_message: it takes no conversion (write a literal % as %%)
two conversions in bad_version_message|--set "bad_version_message=%s and %d" --launcher "$launcher" app.jar out.exe|6|Not a valid bad_version_message: it takes exactly one %s, the version (write a literal % as %%)
min_version the launcher cannot read|--set "min_version=11.0" --launcher "$launcher" app.jar out.exe|6|Not a valid min_version: '11.0' (write a version such as 1.8, 11 or 17)
FileVersion not numeric|--version-info FileVersion=one --launcher "$launcher" app.jar out.exe|6|Not a valid FileVersion: 'one' (write up to four numbers from 0 to 65535, such as 1.2.3.4)
not a jar|--launcher "$launcher" text.jar out.exe|2|Not a valid jar file: text.jar
destination is the launcher|--configure --gui "$launcher" "$launcher"|3|Refusing to write '$launcher': it is one of the inputs
launcher that is no executable|--launcher text.jar app.jar out.exe|4|Not a Windows executable: text.jar
destination is the archive|--launcher "$launcher" app.jar ./app.jar|3|Refusing to write './app.jar': it is one of the inputs
destination in a missing directory|--launcher "$launcher" app.jar missing/out.exe|3|Error opening 'missing/out.exe': no such folder
a device as the archive|--launcher "$launcher" /dev/zero out.exe|2|Not a valid jar file: /dev/zero
a device as the launcher|--launcher /dev/zero app.jar out.exe|3|Not a regular file: /dev/zero
a device as the icon|--icon /dev/zero --launcher "$launcher" app.jar out.exe|3|Not a regular file: /dev/zero
an icon file over its limit|--icon big.ico --launcher "$launcher" app.jar out.exe|9|Too large: big.ico (vandrel-pack takes an icon file of at most 16 MiB)
a launcher over its limit|--launcher big.exe app.jar out.exe|9|Too large: big.exe (vandrel-pack takes a launcher of at most 64 MiB)
an overlong per cent sign|--set $'no_runtime_message=boom \xc0\xa5n' --launcher "$launcher" app.jar out.exe|6|Not valid UTF-8: the value of --set (write texts in UTF-8)
an overlong line feed|--class-data-archive $'C:\\a\xc0\x8a-Xmx1m' --launcher "$launcher" app.jar out.exe|6|Not valid UTF-8: the value of --class-data-archive (write texts in UTF-8)
a surrogate|--version-info $'ProductName=\xed\xa0\x80' --launcher "$launcher" app.jar out.exe|6|Not valid UTF-8: the value of --version-info (write texts in UTF-8)
a start-up cache folder left empty|--startup-cache= --launcher "$launcher" app.jar out.exe|6|Not a valid startup_cache: '' (write an absolute folder of the user's own, or one that begins with a reference, such as %LOCALAPPDATA%\Hoop: a relative one is taken from the working directory)
a relative start-up cache folder|--set startup_cache=cache --launcher "$launcher" app.jar out.exe|6|Not a valid startup_cache: 'cache' (write an absolute folder of the user's own, or one that begins with a reference, such as %LOCALAPPDATA%\Hoop: a relative one is taken from the working directory)
a start-up cache and a class-data archive|--startup-cache --class-data-archive 'C:\x\a.jsa' --launcher "$launcher" app.jar out.exe|6|A start-up cache cannot join class-data sharing options in vm_arguments (here -XX:SharedArchiveFile): the VM would refuse to start. Drop --startup-cache, or --class-data-archive and those options
a start-up cache and -Xshare:off|--startup-cache --set vm_arguments=-Xshare:off --launcher "$launcher" app.jar out.exe|6|A start-up cache cannot join class-data sharing options in vm_arguments (here -Xshare:): the VM would refuse to start. Drop --startup-cache, or --class-data-archive and those options
version texts past the block's lengths|--version-info ProductName=$(printf 'x%.0s' $(seq 40000)) --launcher "$launcher" app.jar out.exe|6|Version information too long: its texts do not fit the 65535 bytes of the version block
TABLE
  # Inputs that are FIFOs are refused, never opened (which would wait for a writer).
  mkfifo fifo
  rows timeout 20 <<'TABLE'
a FIFO as the archive|--launcher "$launcher" fifo out.exe|2|Not a valid jar file: fifo
a FIFO as the launcher|--launcher fifo app.jar out.exe|3|Not a regular file: fifo
a FIFO as the icon|--icon fifo --launcher "$launcher" app.jar out.exe|3|Not a regular file: fifo
a FIFO as the manifest|--manifest fifo --launcher "$launcher" app.jar out.exe|3|Not a regular file: fifo
a FIFO shown|--show fifo|3|Not a regular file: fifo
TABLE
  rm fifo
  # Values kept from a launcher count in UTF-8 bytes once --utf8 is added.
  "$pack" --configure --set "vm_arguments=$e1200" "$launcher" long.exe >/dev/null
  err=$("$pack" --utf8 --launcher long.exe app.jar out.exe 2>&1 >/dev/null)
  check "a kept value over 1999 bytes in UTF-8" "6 Value too long: vm_arguments holds 2400 bytes, at most 1999 fit" "$? $err"
  rm -f long.exe out.exe
  out=$("$pack" --gui --set min_version=11 --launcher "$launcher" app.jar app.exe 2>&1)
  check "pack: output" "Creating executable 'app.exe' from 'app.jar'...
Success!" "$out"
  check "pack without Main-Class: the packager's warning" "Main-Class attribute not found in manifest:
Will attempt to find a main class at run-time.
Creating executable 'plain.exe' from 'plain.jar'...
Success!" "$("$pack" --launcher "$launcher" plain.jar plain.exe 2>&1)"
  # Only the 32-bit launcher keeps no start-up cache, and says so.
  warning=""
  if "$pack" --show "$launcher" | grep -q 'machine x86,'; then
    warning="Warning: the 32-bit launcher keeps no start-up cache, so startup_cache has no effect there: pack with the 64-bit launcher for one"
  fi
  err=$("$pack" --startup-cache --launcher "$launcher" app.jar cached.exe 2>&1 >/dev/null)
  check "a start-up cache: a warning for the 32-bit launcher alone" "0 $warning" "$? $err"
  rm -f cached.exe big.ico big.exe
  check "--version" "$("$pack" --help | head -1 | cut -d: -f1)" "$("$pack" --version)"
  mkdir -p tool/win64 && cp "$pack" tool/vandrel-pack
  err=$("$work/tool/vandrel-pack" app.jar default.exe 2>&1 >/dev/null)
  check "no default launcher: --launcher is named" "Error opening '$work/tool/vandrel.exe': no launcher beside vandrel-pack (--launcher FILE chooses the launcher)" "$err"
  cp "$launcher" tool/vandrel.exe && "$pack" --configure --gui "$launcher" tool/win64/vandrel.exe >/dev/null
  (cd / && "$work/tool/vandrel-pack" "$work/app.jar" "$work/default.exe" >/dev/null)
  check "the win64 launcher beside the tool is the default" "$(sha256sum < tool/win64/vandrel.exe)" "$(head -c "$(stat -c %s tool/win64/vandrel.exe)" default.exe | sha256sum)"
  rm tool/win64/vandrel.exe
  (cd / && "$work/tool/vandrel-pack" "$work/app.jar" "$work/default.exe" >/dev/null)
  check "else the launcher beside the tool" "$(sha256sum < "$launcher")" "$(head -c "$(stat -c %s "$launcher")" default.exe | sha256sum)"
  rm -rf tool default.exe
  # Destinations: through a link to its target, the mode kept, names as long as the system takes.
  ln -s target.exe link.exe && touch private.exe && chmod 600 private.exe
  long=$(printf 'n%.0s' $(seq 251)).exe
  for destination in link.exe private.exe "$long"; do
    "$pack" --launcher "$launcher" app.jar "$destination" >/dev/null
    check "destination ${destination:0:16}: status" 0 $?
  done
  check "a link is written through" "link.exe -> target.exe" "$(stat -c %N link.exe | tr -d "'")"
  check "a link's target is the program" "$(sha256sum < "$long")" "$(sha256sum < target.exe)"
  check "the mode is kept" 600 "$(stat -c %a private.exe)"
  rm link.exe target.exe private.exe "$long"
  # Read-only (the attribute binds under Wine as it does for every user on Windows).
  cp "$launcher" readonly.exe && chmod 444 readonly.exe
  wine "$windows_pack" --configure --gui "$(winpath "$launcher")" readonly.exe 2>err.txt >/dev/null
  check "a read-only destination: status" "3" "$?"
  check "a read-only destination: message" "Error opening 'readonly.exe': it is read-only, or in use by another program" "$(tr -d '\r' < err.txt)"
  check "a read-only destination: file" "$launcher_sum" "$(sha256sum < readonly.exe)"
  rm -f readonly.exe err.txt
  "$pack" --configure --set $'vm_arguments=-Xmx1g\x1b]0;title\x07' "$launcher" escape.exe >/dev/null
  check "show: control characters escaped" '  vm_arguments = -Xmx1g\x1B]0;title\x07' "$("$pack" --show escape.exe | grep vm_arguments)"
  rm escape.exe
  edits=(--set 'vm_arguments=-Xmx1g\n-Dx=1' --set min_version=11 --version-info ProductName=Demo --gui)
  "$pack" --configure "${edits[@]}" "$launcher" host.exe >/dev/null
  wine "$windows_pack" --configure "${edits[@]}" "$(winpath "$launcher")" windows.exe >/dev/null 2>&1
  check "the Windows build of the tool writes the same bytes" "$(sha256sum < host.exe)" "$(sha256sum < windows.exe)"
  rm -f host.exe windows.exe
  # The Windows build knows a file under another name as its input.
  cp "$launcher" self.exe
  wine "$windows_pack" --configure --gui self.exe "$(winpath self.exe)" >/dev/null 2>&1
  check "the Windows build refuses to write its input: status" "3" "$?"
  check "the Windows build refuses to write its input: file" "$launcher_sum" "$(sha256sum < self.exe)"
  rm -f self.exe
  check "no file but the results is left" "app.exe
app.jar
plain.exe
plain.jar
text.jar" "$(ls)"
  check "pack: archive follows the image" "$(tail -c "$(stat -c %s app.jar)" app.exe | sha256sum)" "$(sha256sum < app.jar)"
  check "objdump: GUI subsystem" "Subsystem		00000002	(Windows GUI)" "$("$objdump" -p app.exe | grep '^Subsystem')"
  check "show: value, archive, signature" "  min_version = 11
Archive: appended at N, opens: N entries, Main-Class: probe.Args
Signed: no" "$("$pack" --show app.exe | grep -E '^  min_version|^Archive|^Signed' | sed 's/at [0-9]*,/at N,/; s/opens: [0-9]* entries/opens: N entries/')"
  machine=$("$objdump" -f "$launcher" | grep -q 'pei-i386' && echo 'PE32 (32-bit), machine x86' || echo 'PE32+ (64-bit), machine x64')
  check "show: the machine" "Image: $machine, subsystem GUI" "$("$pack" --show app.exe | grep '^Image')"
  ;;
resources)
  probe=$1 icon=$2
  "$pack" --configure --set 'vm_arguments=-Xmx1g\n-Dpack.check=yes' --set min_version=11 \
    --set 'leading_arguments=C:\\new dir#1\nsecond' --icon "$icon" --version-info ProductName=Demo \
    --version-info FileVersion=1.2.3.4 --version-info 'CompanyName=Brightfen Games' --gui "$launcher" configured.exe >/dev/null
  check "configure: status" 0 $?
  check "Win32 reading" 'value 2=[]
value 3=[11]
value 4=[]
value 5=[-Xmx1g\n-Dpack.check=yes]
value 6=[C:\new dir#1\nsecond]
value 7=[]
value 8=[This program requires the Java Runtime Environment. \nPlease download at https://jdk.java.net/\n]
value 9=[This program is not compatible with Java version %s.\nPlease contact the author for more information.\n]
icon 16=16x16 pixel=204080
icon 32=32x32 pixel=204080
icon 0=32x32 pixel=204080
version ProductName=[Demo]
version FileVersion=[1.2.3.4]
version CompanyName=[Brightfen Games]
fixed file=1.2.3.4 product=0.0.0.0
checksum ok' "$(wine "$probe" configured.exe | tr -d '\r')"
  ;;
run)
  run_with_bridge=$1 bridge_dir=$2 jar=$3 zip_tool=$4
  cp "$jar" app.jar
  # The same archive in ZIP64 form, its locator counting from the archive's start.
  wine "$zip_tool" zip64 app.jar app64.jar || exit 1
  # archive | min_version | max_version | more options | expected output
  while IFS='|' read -r archive min max more expected; do
    [ -z "$archive" ] && continue
    # A 32-bit VM under Wine finds no room for a 1 GiB heap: 320 MiB is shown instead.
    "$pack" --set 'vm_arguments=-Xmx320m\n-Xlog:gc+init' --set "min_version=$min" --set "max_version=$max" \
      $more --launcher "$launcher" "$archive" packed.exe >/dev/null || { echo "FAIL pack"; failed=1; continue; }
    out=$("$run_with_bridge" "$bridge_dir" packed.exe one "two words" 2>&1 | tr -d '\r')
    status=$?
    actual=$(printf '%s\n' "$out" | grep -oE 'Heap Max Capacity: [0-9]+[MG]|^argc .*|.*\[warning\].*|^arg\[[0-9]+\] .*|not compatible with Java version 17\.' | sed 's/.*not compatible/not compatible/')
    check "$archive, min_version '$min', max_version '$max' $more" "$(printf '%b' "$expected")" "$actual"
  done <<'TABLE'
app.jar|11|||Heap Max Capacity: 320M\nargc 2\narg[0] one\narg[1] two words
app.jar|1.8|17||Heap Max Capacity: 320M\nargc 2\narg[0] one\narg[1] two words
app.jar|18|||not compatible with Java version 17.
app.jar|11|16||not compatible with Java version 17.
app.jar|||--class-data-archive C:\nowhere\app.jsa|Heap Max Capacity: 320M\nargc 2\narg[0] one\narg[1] two words
app.jar|||--class-data-archive C:\nowhere\app.jsa --class-data-auto|Heap Max Capacity: 320M\nargc 2\narg[0] one\narg[1] two words
app64.jar||||Heap Max Capacity: 320M\nargc 2\narg[0] one\narg[1] two words
TABLE
  # A relative value 2 is the program's folder's, never the current one's:
  # a library planted there is not loaded, and the search goes on.
  mkdir -p prog x && printf planted >x/jvm.dll
  for value in 'x\jvm.dll' 'C:jvm.dll'; do
    "$pack" --set "runtime_library_path=$value" --launcher "$launcher" app.jar prog/packed.exe >/dev/null
    out=$("$run_with_bridge" "$bridge_dir" prog/packed.exe one 2>&1 | tr -d '\r')
    check "value 2 '$value' beside the program" "argc 1" "$(grep -E '^argc|Error' <<<"$out")"
  done
  ;;
settings)
  # The working directory is the Windows process's, but an options file
  # named by a relative path is read from the program's folder, never from it
  # (the bridge's host VM keeps its own user.dir). %EXEDIR% becomes the
  # program's folder, an absolute Windows path, which the bridge hands its
  # host VM as that folder's Unix name.
  run_with_bridge=$1 bridge_dir=$2 jar=$3
  mkdir work && printf -- '-agentpath:C:\\planted.dll\r\n' >work/app.vmoptions
  printf -- '\xEF\xBB\xBF-Dmarked=read beside the program\r\n' >app.vmoptions
  "$pack" --set 'vm_arguments=-Xmx320m\n-Dapp.dir=%EXEDIR%\n-Dkept=%NOPE% kill %p 100%%' --set working_directory=work \
    --set options_file=app.vmoptions --launcher "$launcher" "$jar" packed.exe >/dev/null || { echo "FAIL pack"; failed=1; }
  out=$("$run_with_bridge" "$bridge_dir" packed.exe 2>&1 | tr -d '\r')
  check "%EXEDIR% and the working directory" "app.dir $(pwd)
kept %NOPE% kill %p 100%
marked read beside the program" "$(printf '%s\n' "$out" | grep -E '^(app.dir|kept|marked) ')"
  ;;
gui)
  box_run=$1
  "$pack" --configure --gui --set 'no_runtime_message=Demo needs Java 11 or later.\nGet one from your vendor.\n' \
    "$launcher" game.exe >/dev/null
  for view in /reg:32 /reg:64; do
    wine reg delete 'HKLM\Software\JavaSoft' /f $view </dev/null >/dev/null 2>&1
  done
  out=$(env -u JAVA_HOME xvfb-run -a wine explorer /desktop=vandrel-pack-test,640x480 "$box_run" "$(winpath game.exe)" 2>/dev/null | tr -d '\r')
  check "message box" "title=game.exe
text=Demo needs Java 11 or later.
Get one from your vendor.

status=1" "$out"
  ;;
sign)
  run_with_bridge=$1 bridge_dir=$2 jar=$3
  cp "$jar" app.jar
  "$pack" --set min_version=11 --launcher "$launcher" app.jar packed.exe >/dev/null
  openssl req -x509 -newkey rsa:2048 -nodes -days 2 -subj "/CN=vandrel test signer" \
    -keyout key.pem -out cert.pem >/dev/null 2>&1
  osslsigncode sign -certs cert.pem -key key.pem -n "Demo" -in packed.exe -out signed.exe >/dev/null
  check "sign: status" 0 $?
  osslsigncode verify -CAfile cert.pem -in signed.exe >verify.txt 2>&1
  check "verify: status" 0 $?
  check "show: archive and signature" "Archive: opens: N entries, Main-Class: probe.Args
Signed: yes" "$("$pack" --show signed.exe | grep -E '^Archive|^Signed' | sed 's/appended at [0-9]*, //; s/opens: [0-9]* entries/opens: N entries/')"
  err=$("$pack" --configure --gui signed.exe again.exe 2>&1 >/dev/null)
  check "a signed input is refused: status" 8 $?
  check "a signed input is refused: message" "'signed.exe' is signed: editing it would break the signature. Edit the unsigned launcher, then sign after packing." "$err"
  out=$("$run_with_bridge" "$bridge_dir" signed.exe one 2>&1 | tr -d '\r' | grep -E '^argc |^arg\[')
  check "the signed program runs" "argc 1
arg[0] one" "$out"
  ;;
utf8)
  run_with_bridge=$1 bridge_dir=$2 jar=$3
  dir='Überprüfung-测试'
  mkdir "$dir" && "$pack" --utf8 --launcher "$launcher" "$jar" "$dir/app.exe" >/dev/null
  # Wine takes its command line in the charset of the Unix locale; the host VM
  # takes the program's code page from the bridge, which finds a locale for it.
  out=$(LC_ALL=C.UTF-8 "$run_with_bridge" "$bridge_dir" "$dir/app.exe" '中文' 'é' '😀' 2>&1 | tr -d '\r')
  check "--utf8: a locale for the code page" "" "$(grep '^bridge:' <<<"$out")"
  check "--utf8: arguments and the program's path of every script" "argc 3
arg[0] 中文
arg[1] é
arg[2] 😀
application.home $(pwd)/$dir
java.class.path $(pwd)/$dir/app.exe" "$(grep -E '^arg|^application.home|^java.class.path' <<<"$out")"
  # --utf8 with a look-alike code page where Windows does not read it: the
  # code page is added where it does.
  printf '%s' '<assembly xmlns="urn:schemas-microsoft-com:asm.v1" manifestVersion="1.0"><compatibility xmlns="urn:schemas-microsoft-com:compatibility.v1"><application><activeCodePage xmlns="http://schemas.microsoft.com/SMI/2019/WindowsSettings">Legacy</activeCodePage></application></compatibility></assembly>' >look.xml
  "$pack" --utf8 --manifest look.xml --launcher "$launcher" "$jar" "$dir/look.exe" >/dev/null
  out=$(LC_ALL=C.UTF-8 "$run_with_bridge" "$bridge_dir" "$dir/look.exe" '中文' 2>&1 | tr -d '\r')
  check "--utf8 beside a look-alike code page" "argc 1
arg[0] 中文" "$(grep -E '^arg' <<<"$out")"
  # Without --utf8 the folder's name has characters the code page lacks: the
  # program opens itself by its short name, runs its archive, and never packs.
  "$pack" --launcher "$launcher" "$jar" "$dir/ansi.exe" >/dev/null
  out=$(cd "$dir" && LC_ALL=C.UTF-8 "$run_with_bridge" "$bridge_dir" ansi.exe victim.jar out.exe 2>&1 | tr -d '\r')
  check "a folder outside the code page: the program runs" "argc 2
arg[0] victim.jar
arg[1] out.exe" "$(grep -E '^arg' <<<"$out")"
  check "a folder outside the code page: nothing packed" "" "$(ls "$dir/out.exe" 2>/dev/null)"
  ;;
pause)
  run_with_bridge=$1 bridge_dir=$2 jar=$3 throws_jar=$4
  "$pack" --launcher "$launcher" "$jar" args.exe >/dev/null && "$pack" --launcher "$launcher" "$throws_jar" throws.exe >/dev/null
  cp "$launcher" bare.exe
  # A command in a pseudo-terminal, which Wine makes the console of the
  # program it starts there; Enter is pressed once the prompt shows (or the
  # program has ended), and again every half second while the program runs:
  # a key that reaches the terminal in the moment between the prompt and the
  # console's read arrives as a line feed (the terminal's own translation),
  # which does not end a console line. Sets status and screen (the text,
  # without controls).
  run_in_console() {
    rm -f typescript keys && mkfifo keys
    script -qfec "$1" typescript <keys >/dev/null &
    local pid=$! i
    exec 3>keys
    for i in $(seq 600); do
      grep -q 'Press Enter' typescript 2>/dev/null || ! kill -0 $pid 2>/dev/null && break
      sleep 0.1
    done
    for i in $(seq 120); do
      kill -0 $pid 2>/dev/null || break
      (printf '\r' >&3) 2>/dev/null  # the program may have ended
      sleep 0.5
    done
    exec 3>&-
    wait $pid
    status=$?
    screen=$(tr -d '\r' <typescript | sed 's/\x1b\[[0-9;?]*[A-Za-z]//g')
  }
  for view in /reg:32 /reg:64; do wine reg delete 'HKLM\Software\JavaSoft' /f $view </dev/null >/dev/null 2>&1; done
  # name | command | status | prompts (1) or not (0)
  while IFS='|' read -r name command expected prompts; do
    [ -z "$name" ] && continue
    run_in_console "env -u JAVA_HOME $(eval "echo \"$command\"")"
    check "$name: status" "$expected" "$status"
    check "$name: prompt" "$prompts" "$(grep -c '^Press Enter to close this window\.$' <<<"$screen")"
  done <<'TABLE'
no runtime, a console of its own|wine bare.exe|1|1
no runtime, input redirected|wine bare.exe </dev/null|1|0
no runtime, started from a console|wine cmd /c bare.exe|1|0
main throws, a console of its own|$run_with_bridge $bridge_dir throws.exe|1|1
success, a console of its own|$run_with_bridge $bridge_dir args.exe|0|0
TABLE
  ;;
manifest)
  # The manifest's XML as stored in an executable (one line, no terminator).
  xml() { grep -ao '<assembly .*</assembly>' "$1"; }
  shown() { "$pack" --show "$1" | grep '^Manifest'; }
  shipped=$(xml "$launcher")
  for element in '<requestedExecutionLevel level="asInvoker" uiAccess="false"/>' \
    '<assemblyIdentity type="win32" name="Microsoft.Windows.Common-Controls" version="6.0.0.0" processorArchitecture="*" publicKeyToken="6595b64144ccf1df" language="*"/>' \
    '<dpiAware xmlns="http://schemas.microsoft.com/SMI/2005/WindowsSettings">true/PM</dpiAware>' \
    '<dpiAwareness xmlns="http://schemas.microsoft.com/SMI/2016/WindowsSettings">PerMonitorV2, PerMonitor, system</dpiAwareness>' \
    '<supportedOS Id="{e2011457-1546-43c5-a5fe-008deee3d3f0}"/>' '<supportedOS Id="{35138b9a-5d96-4fbd-8e2d-a2440225f93a}"/>' \
    '<supportedOS Id="{4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38}"/>' '<supportedOS Id="{1f676c76-80e1-4239-95bb-83d0f6d0da78}"/>' \
    '<supportedOS Id="{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}"/>'; do
    check "the launcher's manifest holds $element" 1 "$(grep -cF "$element" <<<"$shipped")"
  done
  check "the launcher's manifest: no code page, no blanks between tags" "0 0" \
    "$(grep -c activeCodePage <<<"$shipped") $(grep -cE '> +<' <<<"$shipped")"
  check "show: the launcher" "Manifest: execution level asInvoker (uiAccess false), DPI awareness PerMonitorV2, PerMonitor, system (dpiAware true/PM), code page (the system's ANSI code page)" "$(shown "$launcher")"
  utf8='<activeCodePage xmlns="http://schemas.microsoft.com/SMI/2019/WindowsSettings">UTF-8</activeCodePage>'
  "$pack" --configure --utf8 "$launcher" utf8.exe >/dev/null
  check "--utf8: the code page added to the settings" "${shipped/<\/windowsSettings>/$utf8</windowsSettings>}" "$(xml utf8.exe)"
  check "show: --utf8" "Manifest: execution level asInvoker (uiAccess false), DPI awareness PerMonitorV2, PerMonitor, system (dpiAware true/PM), code page UTF-8" "$(shown utf8.exe)"
  "$pack" --configure --utf8 utf8.exe twice.exe >/dev/null
  check "--utf8 twice: one code page" "$(xml utf8.exe)" "$(xml twice.exe)"
  printf '<?xml version="1.0"?>\n<assembly xmlns="urn:schemas-microsoft-com:asm.v1" manifestVersion="1.0"><trustInfo xmlns="urn:schemas-microsoft-com:asm.v3"><security><requestedPrivileges><requestedExecutionLevel level="requireAdministrator"/></requestedPrivileges></security></trustInfo></assembly>' > own.xml
  "$pack" --configure --manifest own.xml utf8.exe own.exe >/dev/null
  check "--manifest replaces an earlier choice" "$(tail -n 1 own.xml)" "$(xml own.exe)"
  check "show: --manifest" "Manifest: execution level requireAdministrator (uiAccess (none)), DPI awareness (none) (dpiAware (none)), code page (the system's ANSI code page)" "$(shown own.exe)"
  "$pack" --configure --manifest own.xml --utf8 "$launcher" both.exe >/dev/null
  check "--manifest with --utf8" "requireAdministrator UTF-8" "$(shown both.exe | sed 's/.*level \([^ ,]*\).*code page \(.*\)/\1 \2/')"
  # Settings only from their places and namespaces, printed escaped, with uiAccess.
  printf '%s' '<assembly xmlns="urn:schemas-microsoft-com:asm.v1" manifestVersion="1.0"><application xmlns="urn:schemas-microsoft-com:asm.v3"><windowsSettings><requestedExecutionLevel level="asInvoker"/><dpiAwareness xmlns="http://schemas.microsoft.com/SMI/2016/WindowsSettings">a&#13;&#10;&#x9B;x</dpiAwareness></windowsSettings></application><trustInfo xmlns="urn:schemas-microsoft-com:asm.v2"><security><requestedPrivileges><requestedExecutionLevel level="requireAdministrator" uiAccess="true"/></requestedPrivileges></security></trustInfo></assembly>' >look.xml
  "$pack" --configure --manifest look.xml "$launcher" look.exe >/dev/null
  check "show: look-alikes and character references" 'Manifest: execution level requireAdministrator (uiAccess true), DPI awareness a\r\n\xC2\x9Bx (dpiAware (none)), code page (the system'"'"'s ANSI code page)' "$(shown look.exe)"
  # name | manifest text | status | standard error
  while IFS='|' read -r name text status err; do
    [ -z "$name" ] && continue
    printf '%s' "$text" > bad.xml
    actual_err=$("$pack" --configure --manifest bad.xml "$launcher" bad.exe 2>&1 >/dev/null)
    check "$name: status" "$status" "$?"
    check "$name: message" "$err" "$actual_err"
    check "$name: nothing written" "" "$(ls bad.exe 2>/dev/null)"
  done <<'TABLE'
not XML|assembly|6|Not a valid manifest: bad.xml (no root element at byte 0)
another root|<application/>|6|Not a valid manifest: bad.xml (the root element is <application>, not <assembly>)
unclosed|<assembly><a>|6|Not a valid manifest: bad.xml (an element not closed at byte 13)
TABLE
  err=$("$pack" --configure --manifest missing.xml "$launcher" bad.exe 2>&1 >/dev/null)
  check "a missing manifest file: status and message" "3 Error opening 'missing.xml': no such file" "$? $err"
  ;;
separate)
  double=$1 jar=$2
  # A Java 25 whose jvm.dll is a PE header of machine $1, the double its java.exe and javaw.exe.
  runtime() {
    rm -rf rt && mkdir -p rt/bin/server && cp "$double" rt/bin/java.exe && cp "$double" rt/bin/javaw.exe
    { printf 'MZ'; head -c 58 /dev/zero; le 64 4; printf 'PE\0\0'; le "$1" 2; } >rt/bin/server/jvm.dll
    echo 'JAVA_VERSION="25"' >rt/release
  }
  export JAVA_HOME=$(winpath rt) JAVA_DOUBLE_OUT=$(winpath args.txt)
  "$pack" --launcher "$launcher" --set min_version=25 "$jar" app.exe >/dev/null
  "$pack" --launcher "$launcher" --set min_version=25 --gui "$jar" gui.exe >/dev/null
  "$pack" --launcher "$launcher" --set min_version=25 --set argument_quoting=windows "$jar" quoting.exe >/dev/null
  # What follows the program's own file in the double's arguments.
  passed() { sed -n '/^\[-jar\]$/,$p' args.txt | tail -n +3; }
  # The other word size of this launcher's (x86 for win64, x64 for win32), and ARM64.
  own=$(od -An -tu2 -j $(($(od -An -tu4 -j 60 -N 4 "$launcher") + 4)) -N 2 "$launcher" | tr -d ' ')
  for machine in $([ "$own" = 332 ] && echo 34404 || echo 332) 43620; do
    runtime $machine
    rm -f args.txt
    JAVA_DOUBLE_STATUS=7 wine quoting.exe 'a b' 'say "hi"' 'tr\' 'tr\\' '\"' '' '*' >/dev/null 2>&1
    check "machine $machine: status kept" 7 $?
    check "machine $machine: arguments intact" '[a b]
[say "hi"]
[tr\]
[tr\\]
[\"]
[]
[*]' "$(passed)"
    check "machine $machine: java.exe, then the options" '\rt\bin\java.exe] [-Dapplication.home' \
      "$(head -2 args.txt | tr '\n' ' ' | grep -o '.rt.bin.java.exe. .-Dapplication.home')"
  done
  rm -f args.txt
  wine gui.exe x >/dev/null 2>&1
  check "GUI program runs javaw.exe" '\rt\bin\javaw.exe]' "$(head -1 args.txt | grep -o '.rt.bin.javaw.exe]$')"
  # Microsoft's examples, from a batch file: cmd hands the rest of each line on as it is.
  while IFS='|' read -r line expected; do
    rm -f args.txt
    printf 'quoting.exe %s\r\n' "$line" >run.bat
    wine cmd /c run.bat >/dev/null 2>&1
    check "windows quoting: $line" "$expected" "$(passed | tr '\n' ' ')"
  done <<'ROWS'
"a b c" d e|[a b c] [d] [e] 
"ab\"c" "\\" d|[ab"c] [\] [d] 
a\\\b d"e f"g h|[a\\\b] [de fg] [h] 
a\\\"b c d|[a\"b] [c] [d] 
a\\\\"b c" d e|[a\\b c] [d] [e] 
a"b"" c d|[ab" c d] 
ROWS
  ;;
esac
check "the launcher is unchanged" "$launcher_sum" "$(sha256sum < "$launcher")"
if [ $failed -eq 0 ]; then echo "vandrel-pack $mode: all checks passed"; fi
exit $failed
