#!/usr/bin/env bash
# The product as users get it: installed into a prefix and run from there by
# an unprivileged user, packaged as a .deb, built fully static into an OCI
# image, and rendered in shards by the cluster recipes of deploy/.
# First, the rule on C++ runtimes: the headless tools carry theirs inside and
# load no module; the editor is a program of its own on the shared runtime
# (the one the graphics drivers load), so that no process holds two.
#   package_test.sh BUILD_DIR SOURCE_DIR WINDOW_TEST all|runtime|install|deb|static|recipes
set -euo pipefail
build=$(realpath "$1") source=$(realpath "$2") window_test=$3 part=$4
work=$(mktemp -d) && chmod 755 "$work"
trap 'rm -rf "$work"' EXIT
as_user() { setpriv --reuid=nobody --regid=nogroup --clear-groups "$@"; }
fail() { echo "FAILED: $*" >&2; exit 1; }
example=$source/examples/tiles.pcg
"$build/src/app/tavelin" -o "$work/expected.png" "$example" 3 >/dev/null

install_run() {  # the installed tools, through a link, as nobody
  local prefix=$work/prefix
  cmake --install "$build" --prefix "$prefix" >/dev/null
  for f in bin/tavelin bin/tavelin-family lib/orvane/tavelin-editor share/man/man1/tavelin.1.gz \
           share/man/man1/tavelin-family.1.gz share/icons/hicolor/scalable/apps/orvane.svg; do
    [ -f "$prefix/$f" ] || fail "not installed: $f"
  done
  desktop-file-validate "$prefix/share/applications/orvane.desktop"
  grep -q '^Exec=tavelin --edit %f$' "$prefix/share/applications/orvane.desktop" || fail "desktop Exec line"
  update-mime-database "$prefix/share/mime" 2>/dev/null
  grep -q 'application/x-orvane-project:\*\.pcg' "$prefix/share/mime/globs2" || fail "mime glob"
  grep -aq 'application/x-orvane-project' "$prefix/share/mime/magic" || fail "mime magic"
  local completion
  completion=$(bash -c 'source /usr/share/bash-completion/bash_completion
    complete_line() { COMP_LINE=$2; COMP_POINT=${#2}; read -ra COMP_WORDS <<<"$2"; COMP_CWORD=$((${#COMP_WORDS[@]} - 1))
      source "$1"; "${@:3}"; echo "${COMPREPLY[*]}"; }
    complete_line "$0/tavelin" "tavelin --ou" _tavelin
    complete_line "$0/tavelin-family" "tavelin-family x.pcg --man" _tavelin_family' \
    "$prefix/share/bash-completion/completions")
  [ "$completion" = $'--output\n--manifest' ] || fail "bash completion gave: $completion"
  man -l "$prefix/share/man/man1/tavelin-family.1.gz" 2>/dev/null | grep -q -- '--shard-from-zero' || fail "manual page"
  mkdir -m 777 "$work/user" && ln -s "$prefix/bin/tavelin" "$work/user/tavelin"
  as_user "$work/user/tavelin" -o "$work/user/out.png" "$prefix/share/orvane/examples/tiles.pcg" 3 >/dev/null
  cmp "$work/user/out.png" "$work/expected.png" || fail "installed tavelin renders differently"
  as_user "$prefix/bin/tavelin-family" "$example" --seeds 3 --out "$work/user/family" --quiet
  cmp "$work/user/family/tiles-3.png" "$work/expected.png" || fail "installed tavelin-family renders differently"
  as_user /usr/bin/python3 "$window_test" "$work/user/tavelin" - "$source/examples" installed
}

runtime_run() {  # what each executable asks the dynamic loader for
  local lib
  for tool in src/app/tavelin src/family/tavelin-family; do
    for lib in $(readelf -d "$build/$tool" | sed -n 's/.*(NEEDED).*\[\(.*\)\]/\1/p'); do
      case $lib in libc.so.*|libm.so.*|ld-linux*) ;; *) fail "$tool needs $lib" ;; esac
    done
    ! nm -D "$build/$tool" 2>/dev/null | grep -Eq ' U (dlopen|dlmopen)(@|$)' || fail "$tool can load modules"
  done
  readelf -h "$build/src/app/tavelin-editor" | grep -Eq 'Type: +(EXEC|DYN)' || fail "tavelin-editor is not a program"
  readelf -d "$build/src/app/tavelin-editor" | grep -q 'NEEDED.*libstdc++' || fail "tavelin-editor has its own C++ runtime"
}

deb_run() {  # cpack -G DEB, unpacked and run
  (cd "$build" && cpack -G DEB >/dev/null)
  local deb && deb=$(ls "$build"/orvane_*_*.deb)
  dpkg-deb -f "$deb" Depends | grep -q 'libglfw3' || fail "package dependencies: $(dpkg-deb -f "$deb" Depends)"
  dpkg-deb -c "$deb" | grep '\./usr/lib/orvane/tavelin-editor$' >/dev/null || fail "package contents"
  dpkg-deb -x "$deb" "$work/deb"
  "$work/deb/usr/bin/tavelin" -o "$work/deb.png" "$example" 3 >/dev/null
  cmp "$work/deb.png" "$work/expected.png" || fail "packaged tavelin renders differently"
  "$work/deb/usr/bin/tavelin-family" "$example" --seeds 3 --out "$work/debfamily" --quiet
  cmp "$work/debfamily/tiles-3.png" "$work/expected.png" || fail "packaged tavelin-family renders differently"
}

static_run() {  # fully static tools, and the image of just them
  local static=$build/static
  cmake -S "$source" -B "$static" -DCMAKE_BUILD_TYPE=Release -DORVANE_STATIC_TOOLS=ON -DORVANE_BUILD_TESTS=OFF \
    -DORVANE_BUILD_BENCH=OFF >/dev/null
  cmake --build "$static" --target tavelin tavelin-family -j"$(nproc)" >/dev/null
  for tool in src/app/tavelin src/family/tavelin-family; do
    file "$static/$tool" | grep -q 'statically linked' || fail "$tool is not static"
    ! ldd "$static/$tool" >/dev/null 2>&1 || fail "$tool has dynamic dependencies"
  done
  "$source/deploy/build-image.sh" "$static/src/app/tavelin" "$static/src/family/tavelin-family" "$work/oci" >/dev/null
  umoci unpack --image "$work/oci:1.0.0" "$work/bundle" >/dev/null
  [ "$(cd "$work/bundle/rootfs" && find . -type f | sort | tr '\n' ' ')" = \
    "./usr/local/bin/tavelin ./usr/local/bin/tavelin-family " ] || fail "image holds more than the tools"
  mkdir -p "$work/bundle/rootfs/work" && cp "$example" "$work/bundle/rootfs/work/"
  chroot "$work/bundle/rootfs" /usr/local/bin/tavelin-family /work/tiles.pcg --seeds 3 --out /work/out --quiet
  cmp "$work/bundle/rootfs/work/out/tiles-3.png" "$work/expected.png" || fail "the image's tools render differently"
}

recipes_run() {  # deploy/ as the README runs it; the shards together equal one run
  local bin=$build/src/family shared=$work/shared
  mkdir -p "$shared" && cp "$example" "$shared/brick.pcg"
  "$bin/tavelin-family" "$shared/brick.pcg" --seeds 1-5000 --out "$work/whole" --quiet
  for recipe in kubernetes slurm parallel; do
    rm -rf "$shared/brick" "$shared/logs"
    case $recipe in
      kubernetes) PATH=$bin:$PATH python3 - "$source/deploy/kubernetes/family-job.yaml" "$shared" <<'PY'
import subprocess, sys, yaml
job = yaml.safe_load(open(sys.argv[1]))
spec, container = job["spec"], job["spec"]["template"]["spec"]["containers"][0]
assert job["kind"] == "Job" and spec["completionMode"] == "Indexed", "not an Indexed Job"
assert container["env"][0]["valueFrom"]["resourceFieldRef"]["resource"] == "limits.cpu", "CPUS from the CPU limit"
for index in range(spec["completions"]):
    args = [a.replace("$(JOB_COMPLETION_INDEX)", str(index)).replace("$(CPUS)", "2") for a in container["args"]]
    subprocess.run(["tavelin-family"] + args, cwd=sys.argv[2], check=True)
PY
        ;;
      slurm) mkdir -p "$shared/logs"
        for task in $(seq 1 16); do
          PATH=$bin:$PATH TEXTURES=$shared SLURM_ARRAY_TASK_ID=$task SLURM_CPUS_PER_TASK=2 \
            bash "$source/deploy/slurm/family.sbatch" 2>>"$shared/logs/brick-$task.log"
        done ;;
      parallel) PATH=$bin:$PATH TEXTURES=$shared HOSTS=2/: bash "$source/deploy/parallel.sh" ;;
    esac
    diff -r "$work/whole" "$shared/brick" >/dev/null || fail "$recipe: the shards differ from one run"
  done
}

[ "$part" = runtime ] && { runtime_run; echo "ok: $part"; exit 0; }
# Runs the tools as another user and inside a chroot, and the editor on Xvfb.
[ "$(id -u)" = 0 ] || { echo "SKIPPED: the package tests run as root"; exit 77; }
mkdir -p /tmp/.X11-unix && chmod 1777 /tmp/.X11-unix
case $part in
  install) install_run ;; deb) deb_run ;; static) static_run ;; recipes) recipes_run ;;
  all) runtime_run; install_run; deb_run; static_run; recipes_run ;;
esac
echo "ok: $part"
