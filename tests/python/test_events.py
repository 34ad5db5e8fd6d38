"""NewJob delivery inside pump only, on the connecting thread; contained handler failures;
lifetime when a handler drops the last reference."""
import gc
import threading
import weakref

import moxtrel

FAIL = 0x80004005


def laser3():
    q = moxtrel.create("moxPrintQueue")
    assert q.Find("Laser3", "HB-PRINT")
    return q


def test_events_arrive_only_inside_pump_in_order():
    jobs = laser3().PrintJobs
    seen = []
    conn = jobs.NewJob.connect(lambda *args: seen.append(args))
    with moxtrel.manual_clock():
        jobs.AutoUpdate = 250
        assert seen == []
        moxtrel.pump(0.3)
        # The two jobs that finished spooling, with every NewJob argument.
        assert [(a[0], a[1], a[3]) for a in seen] == [("1", "bjorn", 14), ("2", "amara", 6)]
        assert seen[0][2] == "q3-ledger.xls" and seen[0][5].year == 2024
        path = moxtrel.directory().submit_job("WinNT://HB-PRINT/Laser3", "minutes.docx", "chidi", 4)
        moxtrel.pump(1.0)
        assert len(seen) == 2  # still spooling
        moxtrel.directory().finish_spooling(path)
        # A refresh called directly raises outside any pump: queued, not delivered.
        jobs.Refresh()
        assert len(seen) == 2 and moxtrel.pending_events() == 1
        moxtrel.pump(0)
        assert [a[0] for a in seen] == ["1", "2", "4"] and moxtrel.pending_events() == 0
        conn.disconnect()
        assert not conn.connected
        moxtrel.directory().finish_spooling(moxtrel.directory().submit_job(
            "WinNT://HB-PRINT/Laser3", "late.txt", "emil", 1))
        moxtrel.pump(1.0)
        assert len(seen) == 3
        jobs.AutoUpdate = 0


def test_a_real_clock_short_pump_delivers():
    jobs = laser3().PrintJobs
    seen = []
    with jobs.NewJob.connect(lambda name, *rest: seen.append(name)):
        jobs.AutoUpdate = 250
        for _ in range(50):  # up to 5 s on a loaded machine; about 0.25 s normally
            moxtrel.pump(0.1)
            if len(seen) == 2:
                break
        jobs.AutoUpdate = 0
    assert seen == ["1", "2"]


def test_failing_handlers_are_contained_and_reported(reports):
    jobs = laser3().PrintJobs
    later = []

    def boom(*args):
        raise ValueError("boom " + args[0])

    jobs.NewJob.connect(boom)
    jobs.NewJob.connect(lambda *args: later.append(args[0]))
    jobs.NewJob.connect(lambda only_one: None)  # wrong arity: a TypeError, contained too
    with moxtrel.manual_clock():
        jobs.AutoUpdate = 250
        moxtrel.pump(0.3)
        jobs.AutoUpdate = 0
    assert later == ["1", "2"]
    texts = [r.description for r in reports]
    assert "A NewJob handler: ValueError: boom 1" in texts
    assert sum("TypeError" in t for t in texts) == 2
    assert all(isinstance(r, moxtrel.Error) and r.code == FAIL for r in reports)


def test_a_handler_may_drop_the_last_reference_to_its_source():
    holder = [laser3()]
    holder.append(holder[0].PrintJobs)
    calls = []

    def handler(*args):
        calls.append(args[0])
        holder.clear()  # the queue and its jobs lose their last Python reference
        gc.collect()

    conn = holder[1].NewJob.connect(handler)
    alive = weakref.ref(handler)
    before = moxtrel._moxtrel._live_wrappers()
    with moxtrel.manual_clock():
        holder[1].AutoUpdate = 250
        moxtrel.pump(0.3)
        moxtrel.pump(1.0)  # the timer died with the collection: nothing more
    assert calls == ["1", "2"]
    assert moxtrel._moxtrel._live_wrappers() < before
    conn.disconnect()  # the source is gone: nothing to undo, no error
    del conn, handler
    gc.collect()
    assert alive() is None  # the library let go of the handler


def test_events_raised_on_another_thread_wait_for_the_connecting_thread():
    jobs = laser3().PrintJobs
    where = []
    jobs.NewJob.connect(lambda *args: where.append(threading.get_ident()))

    def other_thread():
        with moxtrel.manual_clock():
            jobs.AutoUpdate = 250  # the timer belongs to this thread
            moxtrel.pump(0.3)
            jobs.AutoUpdate = 0

    worker = threading.Thread(target=other_thread)
    worker.start()
    worker.join()
    assert where == [] and moxtrel.pending_events() == 2
    moxtrel.pump(0)
    assert where == [threading.get_ident()] * 2


def test_bad_pump_and_connect_arguments_are_refused():
    jobs = laser3().PrintJobs
    for bad in (-1, float("nan"), 1e9):
        try:
            moxtrel.pump(bad)
        except ValueError:
            pass
        else:
            raise AssertionError(f"pump({bad}) was accepted")
    try:
        jobs.NewJob.connect("not callable")
    except TypeError:
        pass
    else:
        raise AssertionError("a string was accepted as a handler")
    try:
        jobs.NewJob = None
    except moxtrel.MemberError as e:
        assert "connect" in e.description


def test_a_handler_that_refers_to_its_source_is_collected_with_it():
    calls = []

    def connect():
        jobs = laser3().PrintJobs
        jobs.NewJob.connect(lambda *args: calls.append(jobs.Count))  # refers to its source
        jobs.AutoUpdate = 250
        return weakref.ref(jobs.NewJob.connect(lambda *args: None).handler)

    with moxtrel.manual_clock():
        other = connect()
        gc.collect()  # the cycle through the handler is found and broken
        assert other() is None
        moxtrel.pump(1.0)
    assert calls == []  # the collection and its timer went with the cycle

    # A source held elsewhere keeps its handlers, however unreachable they look.
    q = laser3()
    q.PrintJobs.NewJob.connect(lambda *args: calls.append(q.Name))
    gc.collect()
    with moxtrel.manual_clock():
        q.PrintJobs.AutoUpdate = 250
        moxtrel.pump(0.3)
        q.PrintJobs.AutoUpdate = 0
    assert calls == ["Laser3", "Laser3"]
