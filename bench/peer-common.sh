# Sourced by the benchmarks that compare us with goodvibes: builds, makes sure goodvibes is
# there and lays out a program folder of our own in $folder, so a run starts from the shipped
# profile (lay_out_folder lays it out afresh). Sets $peer (measure-peer.sh), $shared (its
# folder) and $out (the results folder).
shared=${VANTOR_BENCH_SHARED:-../shared/bench}
[ -d "$shared" ] || shared=/work/shared/bench
peer=$shared/measure-peer.sh
[ -x "$peer" ] || peer="bash $peer"
out=/tmp/radio-bench/results

bash scripts/build.sh
if ! command -v goodvibes >/dev/null; then
  SUDO=""; [ "$(id -u)" -ne 0 ] && SUDO="sudo"
  $SUDO apt-get install -y -qq goodvibes >/dev/null
fi

folder=$(mktemp -d /tmp/vantor-bench.XXXXXX)
# The built program folder with the shipped profile, nothing of an earlier run.
lay_out_folder() {
  find "$folder" -mindepth 1 -delete
  cp -r build/vantor-radio/. "$folder/"
  cp data/inst.ini "$folder/inst.ini"
}
lay_out_folder
