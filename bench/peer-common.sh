# Sourced by the benchmarks that compare us with goodvibes: builds, makes sure goodvibes is
# there and lays out a program folder of our own in $folder, so a run starts from the shipped
# profile. Sets $peer (measure-peer.sh) and $out (the results folder).
peer=../shared/bench/measure-peer.sh
[ -x "$peer" ] || peer="bash $peer"
out=/tmp/radio-bench/results

bash scripts/build.sh
if ! command -v goodvibes >/dev/null; then
  SUDO=""; [ "$(id -u)" -ne 0 ] && SUDO="sudo"
  $SUDO apt-get install -y -qq goodvibes >/dev/null
fi

folder=$(mktemp -d /tmp/vantor-bench.XXXXXX)
cp -r build/vantor-radio/. "$folder/"
cp data/inst.ini "$folder/inst.ini"
