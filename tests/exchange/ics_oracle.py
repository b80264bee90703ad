#!/usr/bin/python3
"""An expansion of an iCalendar file independent of libical, for the tests of Zolt's import.

Usage: ics_oracle.py FILE FIRST LAST ZONE...

For each ZONE, a line "zone ZONE", then one line per occurrence whose main date (an event's
start, a to-do's due date) lies from FIRST to LAST (YYYY-MM-DD) in that time zone:
"summary|begin|end", sorted, in the
terms of Zolt's items: local times "YYYY-MM-DD HH:MM", dates "YYYY-MM-DD", "-" for none; an
all-day event ends on its last day. Cancelled components are left out, EXDATEs and moved
occurrences (RECURRENCE-ID) are taken out of their series and the moved ones stand alone.
Times without a zone are in the calendar's X-WR-TIMEZONE when it names one.

Built on python3-icalendar and python3-dateutil (the Debian packages). Exit status 3 with a
message when they are missing, 2 when the file uses what this oracle does not know.
"""
import datetime as dt
import re
import sys

try:
    import icalendar
    from dateutil import rrule
    from icalendar.windows_to_olson import WINDOWS_TO_OLSON
    from zoneinfo import ZoneInfo
except ImportError as missing:
    print("the oracle needs python3-icalendar and python3-dateutil: %s" % missing)
    sys.exit(3)


# The calendar's X-WR-TIMEZONE: the zone its writers mean for the times without one.
floating_zone = None


def zone_of(value, tzid):
    """The zone of a date-time value: None for a date or a floating time."""
    if not isinstance(value, dt.datetime) or value.tzinfo is None:
        return None
    if tzid is None:
        return dt.timezone.utc
    name = WINDOWS_TO_OLSON.get(tzid, tzid)
    try:
        return ZoneInfo(name)
    except Exception:  # noqa: BLE001 - any unknown name ends here
        print("unknown time zone %s" % tzid)
        sys.exit(2)


def wall(value, tzid=None):
    """The value as written, in a zone whose arithmetic keeps the wall clock (zoneinfo)."""
    if isinstance(value, dt.datetime):
        zone = zone_of(value, tzid)
        if zone is None and value.tzinfo is None:
            zone = floating_zone
        naive = value.replace(tzinfo=None)
        return naive if zone is None else naive.replace(tzinfo=zone)
    return value


def wall_of(prop):
    return wall(prop.dt, prop.params.get("TZID"))


def local(value, zone):
    if value is None:
        return "-"
    if isinstance(value, dt.datetime):
        if value.tzinfo is not None:
            # Through UTC: a wall time the zone skips or repeats is placed by its offset
            # (astimezone to the zone it already has would keep it as written).
            value = value.astimezone(dt.timezone.utc).astimezone(zone)
        return value.strftime("%Y-%m-%d %H:%M")
    return value.strftime("%Y-%m-%d")


def as_datetime(value):
    if isinstance(value, dt.datetime):
        return value
    return dt.datetime(value.year, value.month, value.day)


def back_to(kind, value):
    return value.date() if kind is dt.date else value


def same(a, b):
    if isinstance(a, dt.datetime) and isinstance(b, dt.datetime):
        if (a.tzinfo is None) != (b.tzinfo is None):
            return a.replace(tzinfo=None) == b.replace(tzinfo=None)
        return a == b
    return as_datetime(a).date() == as_datetime(b).date()


def exdates(comp):
    out = []
    raw = comp.get("EXDATE")
    if raw is None:
        return out
    for prop in raw if isinstance(raw, list) else [raw]:
        for v in prop.dts:
            out.append(wall(v.dt, prop.params.get("TZID")))
    return out


UTC = dt.timezone.utc


def instant(value):
    """A value that orders as the moment it denotes; floating times keep their wall clock."""
    value = as_datetime(value)
    return value.astimezone(UTC).replace(tzinfo=None) if value.tzinfo is not None else value


def plus_exact(value, delta):
    """`delta` of exact time after `value`: across a clock change the wall clock moves on
    by the change as well. Floating times and dates keep their wall clock."""
    if isinstance(value, dt.datetime) and value.tzinfo is not None:
        return (value.astimezone(UTC) + delta).astimezone(value.tzinfo)
    return value + delta


def exact_difference(end, start):
    if isinstance(end, dt.datetime) and isinstance(start, dt.datetime):
        if end.tzinfo is not None and start.tzinfo is not None:
            return end.astimezone(UTC) - start.astimezone(UTC)
    return as_datetime(end) - as_datetime(start)


def rdates(comp):
    """The further starts RDATE gives, each with its own end (a period) or None."""
    out = []
    raw = comp.get("RDATE")
    if raw is None:
        return out
    for prop in raw if isinstance(raw, list) else [raw]:
        tzid = prop.params.get("TZID")
        for v in prop.dts:
            if isinstance(v.dt, tuple):
                start, end = v.dt
                start = wall(start, tzid)
                end = start + end if isinstance(end, dt.timedelta) else wall(end, tzid)
                out.append((start, end))
            else:
                out.append((wall(v.dt, tzid), None))
    return out


def starts(comp, anchor, moved):
    """The starts of the component's occurrences (wall time in their zone), each with the
    end of an RDATE period or None."""
    if "RRULE" not in comp:
        result = [(anchor, None)]
    else:
        recur = comp["RRULE"]
        kind = type(anchor)
        first = as_datetime(anchor)
        text = re.sub(r";?UNTIL=[^;]*", "", recur.to_ical().decode()).lstrip(";")
        rule = rrule.rrulestr(text, dtstart=first)
        if "UNTIL" in recur:
            until = recur["UNTIL"][0]
            if not isinstance(until, dt.datetime):
                until = dt.datetime(until.year, until.month, until.day, 23, 59, 59)
            if first.tzinfo is None:
                until = until.replace(tzinfo=None)
            elif until.tzinfo is None:
                until = until.replace(tzinfo=first.tzinfo)
            rule = rule.replace(until=until)
        result = []
        for n, s in enumerate(rule):
            if s.year > 2127 or n > 20000:
                break
            result.append((back_to(kind, s), None))
    seen = {instant(s) for s, _ in result}
    for s, end in rdates(comp):
        if instant(s) not in seen:
            seen.add(instant(s))
            result.append((s, end))
    skip = exdates(comp) + moved
    return [(s, e) for s, e in result if not any(same(s, x) for x in skip)]


def length_of(comp, first):
    """How an occurrence's end follows from its start: (calendar days, exact time)."""
    end_prop = comp.get("DUE" if comp.name == "VTODO" else "DTEND")
    if end_prop is not None:
        return dt.timedelta(0), exact_difference(wall_of(end_prop), first)
    if "DURATION" in comp:
        text = str(comp["X-RAW-DURATION"])
        m = re.match(r"([+-])?P(?:(\d+)W)?(?:(\d+)D)?(?:T(?:(\d+)H)?(?:(\d+)M)?(?:(\d+)S)?)?$", text)
        sign = -1 if m.group(1) == "-" else 1
        n = [int(g or 0) for g in m.groups()[1:]]
        return (dt.timedelta(days=sign * (7 * n[0] + n[1])),
                dt.timedelta(seconds=sign * (3600 * n[2] + 60 * n[3] + n[4])))
    return None


def occurrences(comp, moved, zone, series=None):
    """(begin, end) of each occurrence. `series` is (master, from, before, its own moved)
    for a change of this and every later occurrence of the master."""
    todo = comp.name == "VTODO"
    start_prop = comp.get("DTSTART")
    end_prop = comp.get("DUE" if todo else "DTEND")
    if start_prop is None and not (todo and end_prop is not None and "RRULE" in comp):
        return [("-", local(end_prop.dt if end_prop else None, zone))] if todo else []
    due_only = start_prop is None
    first = wall_of(end_prop) if due_only else wall_of(start_prop)
    length = (dt.timedelta(0), dt.timedelta(0)) if due_only else length_of(comp, first)
    shift = dt.timedelta(0)
    if series is None:
        found = starts(comp, first, moved)
        window = None
    else:
        master, begin, before, master_moved = series
        found = starts(master, wall_of(master["DTSTART"]), master_moved)
        shift = exact_difference(first, begin)
        window = (instant(begin), before)
    result = []
    for s, period_end in found:
        if window is not None:
            if instant(s) < window[0] or (window[1] is not None and instant(s) >= window[1]):
                continue
            s = plus_exact(s, shift)
        if length is None:
            e = None
        elif period_end is not None:
            e = period_end
        else:
            e = plus_exact(s + length[0], length[1])
        if due_only:
            result.append((local(e, zone)[:10], local(e, zone)))
            continue
        if todo and e is None:
            result.append(("-", local(s, zone)))
            continue
        if not todo and not isinstance(s, dt.datetime) and e is not None and e > s:
            e = e - dt.timedelta(days=1)
        if not todo and e is None and ("RRULE" in comp or series is not None):
            e = s
        result.append((local(s, zone), local(e, zone)))
    return result


def is_range(comp):
    rid = comp.get("RECURRENCE-ID")
    return rid is not None and str(rid.params.get("RANGE", "")).upper() == "THISANDFUTURE"


def lines_in(items, moved, ranges, zone, first, last):
    masters = {str(c.get("UID")): c for c in items if "RRULE" in c and "RECURRENCE-ID" not in c}
    lines = []
    for c in items:
        if str(c.get("STATUS", "")).upper() == "CANCELLED":
            continue
        uid = str(c.get("UID"))
        own = [] if "RECURRENCE-ID" in c else moved.get(uid, [])
        cuts = sorted(instant(r) for r in ranges.get(uid, []))
        series = None
        if is_range(c) and uid in masters:
            begin = wall_of(c["RECURRENCE-ID"])
            later = [x for x in cuts if x > instant(begin)]
            series = (masters[uid], begin, later[0] if later else None, moved.get(uid, []))
        elif cuts and "RECURRENCE-ID" not in c:
            series = (c, wall_of(c["DTSTART"]), cuts[0], own)
        summary = str(c.get("SUMMARY", ""))
        for begin, end in occurrences(c, own, zone, series):
            main_date = (end if c.name == "VTODO" else begin)[:10]
            if first <= main_date <= last:
                lines.append("%s|%s|%s" % (summary, begin, end))
    return sorted(lines)


def main():
    name, first, last = sys.argv[1:4]
    global floating_zone
    # Unfolded before decoding: a fold may split a UTF-8 character.
    text = re.sub(rb"\r?\n[ \t]", b"", open(name, "rb").read()).decode("utf-8")
    # Alarms do not move occurrences; this library refuses some that libical only skips.
    text = re.sub(r"BEGIN:VALARM.*?END:VALARM\r?\n", "", text, flags=re.S)
    # An empty value says nothing; this library refuses some (PRIORITY:), as libical does not.
    text = re.sub(r"^[A-Za-z-]+(;[^:\r\n]*)?:\r?\n", "", text, flags=re.M)
    # This library writes PT24H back as P1D: the text as written tells the two apart.
    text = re.sub(r"^DURATION(;[^:\r\n]*)?:([^\r\n]*)(\r?\n)", r"DURATION\1:\2\3X-RAW-DURATION:\2\3",
                  text, flags=re.M)
    cal = icalendar.Calendar.from_ical(text)
    if "X-WR-TIMEZONE" in cal:
        floating_zone = ZoneInfo(str(cal["X-WR-TIMEZONE"]))
    items = [c for c in cal.walk() if c.name in ("VEVENT", "VTODO")]
    moved = {}
    ranges = {}
    for c in items:
        if "RECURRENCE-ID" in c:
            into = ranges if is_range(c) else moved
            into.setdefault(str(c.get("UID")), []).append(wall_of(c["RECURRENCE-ID"]))
    for zone_name in sys.argv[4:]:
        print("zone " + zone_name)
        for line in lines_in(items, moved, ranges, ZoneInfo(zone_name), first, last):
            print(line)


if __name__ == "__main__":
    main()
