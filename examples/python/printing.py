"""Printing: a queue's jobs and the NewJob event, delivered while moxtrel.pump runs."""
import datetime

import moxtrel

d = moxtrel.create("moxDomain")
d.Name = "HARBOR"
q = d.Servers.Item("HARBOR/HB-PRINT").PrintQueues.Item("Laser3")
print(f"{q.Name}: {q.Model}, {q.Location}")
jobs = q.PrintJobs
for j in jobs:
    print(f"  #{j.Name} {j.User} {j.Description}, {j.Pages} pages, submitted {j.TimeSubmitted}")


announced = 0


def on_new_job(name, user, description, pages, size, submitted):
    global announced
    announced += 1
    print(f"NewJob #{name}: {description} from {user}, {pages} pages")


def wait_for_announcements(count):
    """Pumps until the handler has run `count` times, or ten seconds have passed."""
    for _ in range(40):
        if announced >= count:
            return
        moxtrel.pump(0.25)


connection = jobs.NewJob.connect(on_new_job)
jobs.AutoUpdate = 250
# Jobs already there are announced at the first tick, except the one still spooling.
wait_for_announcements(2)

embedded = moxtrel.directory()
job = embedded.submit_job("WinNT://HB-PRINT/Laser3", "minutes.docx", "chidi", 4,
                          submitted=datetime.datetime(2024, 3, 4, 10, 0))
moxtrel.pump(0.6)
print("Still spooling: nothing announced")
embedded.finish_spooling(job)
wait_for_announcements(3)

jobs.AutoUpdate = 0
connection.disconnect()
