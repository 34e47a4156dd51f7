"""The benchmarks' table: each measurement, its baseline, their ratio and the budget.

    python3 bench/table.py <results.tsv> <machine text> <RESULTS.md to write>

results.tsv holds the lines the benchmark programs print:
    result <id> <measured> <baseline> <unit> <runs> [<ratio of paired runs>]
Prints the table, writes it with the machine to the Markdown file, and exits 1 when a
budget is missed or a measurement is missing.
"""
import sys

# id, what is measured, what it is measured against, budget: ("max", r) for a ratio that
# must not exceed r, ("speedup", r) for a baseline at least r times slower, None: reported.
ROWS = [
    ("startup-menu-100", "1. Menu.exe start to first paint of the list, 100 entries, warm icon cache",
     "floor", None),
    ("startup-menu-1000", "1. the same, 1,000 entries", "floor", ("max", 1.3)),
    ("startup-menu-32767", "1. the same, 32,767 entries", "floor", ("max", 1.6)),
    ("startup-listview-1000", "1. for reference: an owner-data list view alone (same manifest), 1,000 rows",
     "floor", None),
    ("startup-plainlistview-1000", "1. for reference: the same list view without a manifest", "floor", None),
    ("icons-1000", "2. icon pass, 1,000 entries, from imagelist.dat", "full rebuild", ("speedup", 20)),
    ("loadlist", "3. LoadList, 32,767 entries (native)", "reading the same bytes", ("max", 3)),
    ("savelist", "3. SaveList, 32,767 entries (native)", "writing the same bytes, flushed", ("max", 3)),
    ("memory-menu-32767", "4. Menu.exe peak working set, 32,767 entries and icons", "floor", None),
    ("pagefile-menu-32767", "4. Menu.exe private memory then (PeakPagefileUsage; under Wine not a peak)",
     "floor", None),
    ("size-Menu", "4. Menu.exe, 32-bit release (build/win32/bin)", None, None),
    ("size-Remove", "4. Remove.exe, 32-bit release (build/win32/bin)", None, None),
]


def amount(value, unit):
    if unit == "s":
        return "%.1f ms" % (value * 1000)
    if value >= 1024 * 1024:
        return "%.1f MiB" % (value / 1024 / 1024)
    return "%.1f KiB" % (value / 1024)


def main(path, machine, out_path):
    found = {}
    for line in open(path):
        fields = line.rstrip("\n").split("\t")
        if fields[0] == "result" and len(fields) >= 6:
            found[fields[1]] = fields
    lines = ["| benchmark | measured (median) | baseline (median) | ratio | budget | met |",
             "|---|---|---|---|---|---|"]
    missed = 0
    for key, what, against, budget in ROWS:
        if key not in found:
            lines.append("| %s | not measured | | | | no |" % what)
            missed += 1
            continue
        _, _, measured, baseline, unit, runs = found[key][:6]
        measured, baseline, runs = float(measured), float(baseline), int(runs)
        runs_text = ", %d runs" % runs if runs > 1 else ""
        if against is None:
            lines.append("| %s | %s | | | reported | |" % (what, amount(measured, unit)))
            continue
        paired = float(found[key][6]) if len(found[key]) > 6 and found[key][6] else measured / baseline
        base_text = "%s %s%s" % (against, amount(baseline, unit), runs_text)
        if budget and budget[0] == "speedup":
            ratio = baseline / measured
            ratio_text = "%.1fx faster" % ratio
            ok = ratio >= budget[1]
            budget_text = "at least %gx faster" % budget[1]
        else:
            ratio = paired
            ratio_text = "%.2fx" % ratio
            ok = budget is None or ratio <= budget[1]
            budget_text = "at most %gx" % budget[1] if budget else "reported"
        verdict = ("yes" if ok else "**no**") if budget else ""
        missed += 0 if ok else 1
        lines.append("| %s | %s | %s | %s | %s | %s |" % (what, amount(measured, unit), base_text, ratio_text,
                                                          budget_text, verdict))
    lines.append("")
    lines.append("Rows 1, 3 and 4 give the median of each run's ratio to the baseline run paired with it, which "
                 "need not equal the ratio of the two medians beside it; row 2 gives the ratio of its medians.")
    table = "\n".join(lines)
    print(table)
    print("\nbudgets missed: %d" % missed)
    with open(out_path, "w") as out:
        out.write("# Benchmark results\n\nTaken with `./bench/run.sh` on:\n\n%s\n\n%s\n" % (machine, table))
    print("written to %s" % out_path)
    return 1 if missed else 0


if __name__ == "__main__":
    if len(sys.argv) != 4:
        sys.exit(__doc__)
    sys.exit(main(sys.argv[1], sys.argv[2], sys.argv[3]))
