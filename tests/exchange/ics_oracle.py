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
            value = value.astimezone(zone)
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


def starts(comp, moved):
    """The starts of the component's occurrences, as written (wall time in their zone)."""
    start = wall_of(comp["DTSTART"])
    if "RRULE" not in comp:
        return [start]
    recur = comp["RRULE"]
    kind = type(start)
    first = as_datetime(start)
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
    skip = exdates(comp) + moved
    out = []
    for n, s in enumerate(rule):
        if s.year > 2127 or n > 20000:
            break
        if any(same(s if kind is dt.datetime else s.date(), x) for x in skip):
            continue
        out.append(back_to(kind, s))
    return out


def occurrences(comp, moved, zone):
    todo = comp.name == "VTODO"
    start_prop = comp.get("DTSTART")
    end_prop = comp.get("DUE" if todo else "DTEND")
    if start_prop is None:
        return [("-", local(end_prop.dt if end_prop else None, zone))] if todo else []
    first = wall_of(start_prop)
    length = None
    if end_prop is not None:
        length = wall_of(end_prop) - first
    elif "DURATION" in comp:
        length = comp["DURATION"].dt
    result = []
    for s in starts(comp, moved):
        e = s + length if length is not None else None
        if todo and e is None:
            result.append(("-", local(s, zone)))
            continue
        if not todo and not isinstance(s, dt.datetime) and e is not None and e > s:
            e = e - dt.timedelta(days=1)
        if not todo and e is None and "RRULE" in comp:
            e = s
        result.append((local(s, zone), local(e, zone)))
    return result


def lines_in(items, moved, zone, first, last):
    lines = []
    for c in items:
        if str(c.get("STATUS", "")).upper() == "CANCELLED":
            continue
        own = [] if "RECURRENCE-ID" in c else moved.get(str(c.get("UID")), [])
        summary = str(c.get("SUMMARY", ""))
        for begin, end in occurrences(c, own, zone):
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
    cal = icalendar.Calendar.from_ical(text)
    if "X-WR-TIMEZONE" in cal:
        floating_zone = ZoneInfo(str(cal["X-WR-TIMEZONE"]))
    items = [c for c in cal.walk() if c.name in ("VEVENT", "VTODO")]
    moved = {}
    for c in items:
        if "RECURRENCE-ID" in c:
            moved.setdefault(str(c.get("UID")), []).append(wall_of(c["RECURRENCE-ID"]))
    for zone_name in sys.argv[4:]:
        print("zone " + zone_name)
        for line in lines_in(items, moved, ZoneInfo(zone_name), first, last):
            print(line)


if __name__ == "__main__":
    main()
