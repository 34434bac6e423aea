#!/bin/bash
# A family rendered by GNU parallel over machines reached by ssh: 16 shards,
# two at a time on each host, 4 workers each, in a folder every host sees.
#   HOSTS=2/node1,2/node2 deploy/parallel.sh      (2/: runs them here)
# Any shard can simply be run again after a failure (--skip-existing).
cd "${TEXTURES:-/shared/textures}" || exit 1
parallel --sshlogin "${HOSTS:-2/node1,2/node2}" --workdir "$PWD" --halt never \
  tavelin-family brick.pcg --seeds 1-5000 --out brick --jobs 4 \
  --shard {}/16 --skip-existing --quiet ::: $(seq 1 16)
