#!/usr/bin/env bash
# Builds the OCI image of the static tools with buildah, offline (FROM
# scratch), and writes it as an OCI layout:
#   deploy/build-image.sh TAVELIN TAVELIN_FAMILY [OUT_DIR] [VERSION]
# OUT_DIR defaults to build-image/oci, VERSION to 1.0.0 (the layout's
# reference); push it with
#   skopeo copy oci:OUT_DIR:VERSION docker://registry.example.org/orvane-tools:VERSION
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
tavelin="$1" family="$2" out="${3:-build-image/oci}" version="${4:-1.0.0}"
for tool in "$tavelin" "$family"; do
  file -L "$tool" | grep -q "statically linked" || { echo "$tool is not statically linked" >&2; exit 1; }
done
context="$(mktemp -d)"
trap 'rm -rf "$context"' EXIT
cp "$tavelin" "$context/tavelin"
cp "$family" "$context/tavelin-family"
cp "$here/Containerfile" "$context/"
storage=(--storage-driver vfs --root "$context/storage" --runroot "$context/run")
buildah "${storage[@]}" bud --quiet --isolation chroot -t "orvane-tools:$version" -f "$context/Containerfile" \
  "$context" >/dev/null
rm -rf "$out" && mkdir -p "$(dirname "$out")"
buildah "${storage[@]}" push --quiet "orvane-tools:$version" "oci:$out:$version"
echo "$out:$version"
