#!/bin/bash
# Runs scripts/packages against stand-ins for apt-get, apt-cache, dpkg,
# dpkg-query, sudo and sleep placed first on PATH.  Each case sets how the
# stand-ins behave and checks what the script did and said.
#   packages_test.sh <path of scripts/packages>
set -uo pipefail
script=$(realpath "$1")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
bin=$work/bin
mkdir -p "$bin"
codename=$(. /etc/os-release && echo "${VERSION_CODENAME:-}")

# apt-get: `update` fails FAKE_UPDATE_FAILS times (a number, or "always") with
# a partial-index error; `install` fails when FAKE_INSTALL is "fail" or when it
# is "fail-plain" and no -t was given.  Every call is logged.
cat >"$bin/apt-get" <<'SH'
#!/bin/bash
echo "apt-get $*" >>"$FAKE_LOG"
case "$1" in
  update)
    n=$(cat "$FAKE_STATE" 2>/dev/null || echo 0); echo $((n + 1)) >"$FAKE_STATE"
    if [ "$FAKE_UPDATE_FAILS" = always ] || [ "$n" -lt "$FAKE_UPDATE_FAILS" ]; then
      echo "Err:6 http://mirror/debian-security bookworm-security/main i386 Packages"
      echo "E: Failed to fetch http://mirror/debian-security/dists/bookworm-security/main/binary-i386/Packages.xz  File has unexpected size (374820 != 376004). Mirror sync in progress?"
      echo "E: Some index files failed to download. They have been ignored, or old ones used instead."
      exit 100
    fi ;;
  install)
    case "$FAKE_INSTALL" in
      fail) echo "E: Unable to correct problems, you have held broken packages."; exit 100 ;;
      fail-plain) [[ " $* " == *" -t "* ]] || { echo "E: Unable to correct problems"; exit 100; } ;;
    esac ;;
esac
exit 0
SH
cat >"$bin/apt-cache" <<'SH'
#!/bin/bash
echo "$1:"; echo "  Installed: (none)"
if [ "$FAKE_LISTS" = usable ]; then echo "  Candidate: 1.0-1"; else echo "  Candidate: (none)"; fi
for i in $(seq 1 200); do echo "  Version table line $i"; done
SH
cat >"$bin/dpkg-query" <<'SH'
#!/bin/bash
for p in $FAKE_INSTALLED; do [ "$p" = "${!#}" ] && { echo -n "install ok installed"; exit 0; }; done
exit 1
SH
cat >"$bin/dpkg" <<'SH'
#!/bin/bash
echo "dpkg $*" >>"$FAKE_LOG"
[ "$1" = --print-foreign-architectures ] && echo i386
exit 0
SH
printf '#!/bin/bash\nexec "$@"\n' >"$bin/sudo"
printf '#!/bin/bash\necho "sleep $*" >>"$FAKE_LOG"\n' >"$bin/sleep"
chmod +x "$bin"/*

passed=0 failed=0
# run_case NAME UPDATE_FAILS LISTS INSTALL INSTALLED EXPECT_RC
run_case() {
  local name=$1
  export FAKE_UPDATE_FAILS=$2 FAKE_LISTS=$3 FAKE_INSTALL=$4 FAKE_INSTALLED=$5
  export FAKE_LOG=$work/$name.log FAKE_STATE=$work/$name.state
  : >"$FAKE_LOG"
  PATH="$bin:$PATH" "$script" wine wine32:i386 cmake >"$work/$name.out" 2>&1
  rc=$?
  out=$(cat "$work/$name.out")
  calls=$(cat "$FAKE_LOG")
  if [ "$rc" -ne "$6" ]; then
    fail "$name" "exit $rc, expected $6"; return 1
  fi
}
fail() { echo "FAILED $1: $2"; echo "--- output:"; echo "$out"; echo "--- calls:"; echo "$calls"; failed=$((failed + 1)); }
ok() { echo "ok $1"; passed=$((passed + 1)); }
has() { grep -qF -- "$2" <<<"$1"; }
count() { grep -cF -- "$2" <<<"$1"; }

# Everything installed: apt is never asked.
if run_case installed 0 usable ok "wine wine32:i386 cmake" 0; then
  if [ -z "$calls" ]; then ok installed; else fail installed "apt or dpkg was called"; fi
fi

# A passing refresh and install: one update, one plain install of the missing ones only.
if run_case plain 0 usable ok "cmake" 0; then
  if [ "$(count "$calls" 'apt-get update')" = 1 ] && has "$calls" "apt-get install -y -q --no-install-recommends wine wine32:i386" \
     && ! has "$calls" " cmake" && ! has "$calls" " -t "; then ok plain; else fail plain "unexpected calls"; fi
fi

# Two failed refreshes, then one that passes: retried with a pause, no warning.
if run_case retried 2 usable ok "" 0; then
  if [ "$(count "$calls" 'apt-get update')" = 3 ] && [ "$(count "$calls" 'sleep')" = 2 ] && ! has "$out" warning; then
    ok retried; else fail retried "expected three refreshes, two pauses and no warning"; fi
fi

# The refresh keeps failing but the lists name every package: a warning that
# names the failed index, then the install.
if run_case partial always usable ok "" 0; then
  if [ "$(count "$calls" 'apt-get update')" = 3 ] && has "$out" "warning" && has "$out" "binary-i386/Packages.xz" \
     && has "$calls" "apt-get install"; then ok partial; else fail partial "expected a warning naming the index, then the install"; fi
fi

# The refresh keeps failing and the lists do not know the packages: stop, with apt's message.
if run_case unusable always none ok "" 1; then
  if has "$out" "Mirror sync in progress" && ! has "$calls" "apt-get install"; then ok unusable
  else fail unusable "expected apt's message and no install"; fi
fi

# The plain install fails (the security/i386 mismatch): tried again with the release as the target.
if run_case fallback always usable fail-plain "" 0; then
  if [ "$(count "$calls" 'apt-get install')" = 2 ] && has "$calls" "-t $codename" && has "$out" "-t $codename"; then
    ok fallback; else fail fallback "expected a second install with -t $codename, said to the user"; fi
fi

# Both installs fail: setup stops and says what to try.
if run_case broken 0 usable fail "" 1; then
  if [ "$(count "$calls" 'apt-get install')" = 2 ] && has "$out" "mid-sync"; then ok broken
  else fail broken "expected two installs and advice"; fi
fi

echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
