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


def on_new_job(name, user, description, pages, size, submitted):
    print(f"NewJob #{name}: {description} from {user}, {pages} pages")


connection = jobs.NewJob.connect(on_new_job)
jobs.AutoUpdate = 250
# Jobs already there are announced at the first tick, except the one still spooling.
moxtrel.pump(1.0)

embedded = moxtrel.directory()
job = embedded.submit_job("WinNT://HB-PRINT/Laser3", "minutes.docx", "chidi", 4,
                          submitted=datetime.datetime(2024, 3, 4, 10, 0))
moxtrel.pump(0.6)
print("Still spooling: nothing announced")
embedded.finish_spooling(job)
moxtrel.pump(1.0)

jobs.AutoUpdate = 0
connection.disconnect()
