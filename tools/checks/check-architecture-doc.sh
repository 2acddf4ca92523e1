#!/bin/sh
# Fails, naming each room, when the architecture document does not mention a room of src/.
# A room is every directory directly under src/; the document mentions it when it holds
# "src/<room>/" or "`<room>`". A new room therefore cannot land without its description.
#
#   check-architecture-doc.sh [SRC-DIR [DOCUMENT]]
#
# Defaults: the src/ and docs/architecture.md of the tree that holds this script.
set -u
root="$(dirname "$0")/../.."
src="${1:-$root/src}"
doc="${2:-$root/docs/architecture.md}"
if [ ! -d "$src" ]; then
    echo "$src: no such directory" >&2
    exit 1
fi
if [ ! -r "$doc" ]; then
    echo "$doc: cannot be read" >&2
    exit 1
fi
status=0
rooms=0
for dir in "$src"/*/; do
    [ -d "$dir" ] || continue
    room=$(basename "$dir")
    rooms=$((rooms + 1))
    if ! grep -qF -e "src/$room/" -e "\`$room\`" "$doc"; then
        echo "$doc: the room src/$room/ is not described (mention it as src/$room/ or \`$room\`)" >&2
        status=1
    fi
done
if [ "$rooms" -eq 0 ]; then
    echo "$src: no rooms found" >&2
    exit 1
fi
[ $status -eq 0 ] && echo "architecture document: all $rooms rooms of src/ are described"
exit $status
