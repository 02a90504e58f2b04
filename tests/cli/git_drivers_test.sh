#!/bin/sh
# tessary-cli as git's diff text converter and merge driver, in a temporary
# repository that never sees the real home folder or git configuration:
# git diff shows an edited cell, branches that change different cells merge
# cleanly, and branches that change one cell conflict.
# Environment: CLI, the tessary-cli program. Exit 77 (skipped) without git.
set -eu
command -v git > /dev/null || { echo "git is not installed"; exit 77; }
fail() { echo "FAIL: $*" >&2; exit 1; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
unset GIT_DIR GIT_WORK_TREE GIT_INDEX_FILE GIT_CONFIG_PARAMETERS
export HOME="$work/home" GIT_CONFIG_GLOBAL="$work/gitconfig" GIT_CONFIG_NOSYSTEM=1
export XDG_CONFIG_HOME="$work/config" XDG_DATA_HOME="$work/data"
mkdir "$HOME"
git config --global user.name Tester
git config --global user.email tester@example.org
git config --global init.defaultBranch main
git config --global diff.gda.textconv "'$CLI' dump --escaped"
git config --global merge.gda.name "Tessary table merge"
git config --global merge.gda.driver "'$CLI' merge %O %A %B -o %A"

cd "$work" && git init -q repo && cd repo
echo '*.gda diff=gda merge=gda' > .gitattributes
# A table of three rows; $1 and $2 are the costs of IDs 1 and 3.
table() {
  printf 'ID\tLabel\tCost\r\nint\tstring\tint\r\n1\tsword\t%s\r\n2\tbow\t7\r\n3\tring\t%s\r\n' \
    "$1" "$2" | "$CLI" import - items.gda
}
table 5 9
git add . && git commit -qm start && git tag start

table 6 9
git diff > diff.txt
grep -q '^-1	sword	5$' diff.txt && grep -q '^+1	sword	6$' diff.txt ||
  fail "git diff does not show the changed cell: $(cat diff.txt)"
git checkout -q items.gda

git checkout -q -b theirs && table 5 10 && git commit -qam "ring costs 10"
git checkout -q main && table 6 9 && git commit -qam "sword costs 6"
git merge -q --no-edit theirs > merge.txt 2>&1 || fail "clean merge failed: $(cat merge.txt)"
"$CLI" dump items.gda | grep -q "^1	sword	6" || fail "merge lost ours' change"
"$CLI" dump items.gda | grep -q "^3	ring	10" || fail "merge lost theirs' change"

git checkout -q -b other start && table 8 10 && git commit -qam "sword costs 8"
git checkout -q main
if git merge -q --no-edit other > conflict.txt 2>&1; then fail "conflicting merge succeeded"; fi
grep -q 'CONFLICT (changed on both sides): ID 1, column Cost: base "5", ours "6", theirs "8"' \
  conflict.txt || fail "conflict not named: $(cat conflict.txt)"
[ -n "$(git ls-files -u items.gda)" ] || fail "git does not report items.gda as conflicted"
"$CLI" dump items.gda | grep -q "^1	sword	6" || fail "conflicted cell does not hold ours' value"
echo "git drivers checked"
