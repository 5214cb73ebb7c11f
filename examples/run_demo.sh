#!/usr/bin/env bash
# The demo: generates three nested model files under build/demo/, runs pondra on
# examples/dialogue.txt and tells where the outputs and the log are.
set -euo pipefail
cd "$(dirname "$0")/.."
demo=build/demo
mkdir -p "$demo"
rm -f "$demo"/*.nc "$demo"/*.log

# The generator's own log goes to a file of its own; of its standard output
# (the library's start-up notice, then what it wrote) the last lines matter.
echo "== make_demo_inputs $demo"
LOGFILE="$demo/make_inputs.log" build/bin/make_demo_inputs "$demo" | grep '^wrote' 

# Logical names of the dialogue, bound to paths through the environment.
export OUTER="$demo/outer.nc" NEST12="$demo/nest12.nc" NEST4="$demo/nest4.nc"
export EMISQA="$demo/pondra_qa.nc" AIRQUAL="$demo/pondra_aq.nc"
export LOGFILE="$demo/pondra.log" EXECUTION_ID="pondra demo run"

echo
echo "== pondra < examples/dialogue.txt"
build/bin/pondra < examples/dialogue.txt > "$demo/pondra.out"
cat "$demo/pondra.out"

cat <<MSG

== Done. Outputs:
   $EMISQA   (units "tons",  descriptions "Gridded emissions")
   $AIRQUAL   (units "ug/m3", descriptions "NLIN2.0")
   standard output: $demo/pondra.out
   log:             $LOGFILE
Look at them with:
   ncdump -h $EMISQA
   ncdump -v O3 $AIRQUAL | less
MSG
