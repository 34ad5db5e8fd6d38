"""Servers and shares: a computer's facts and a share from Add to Remove."""
import moxtrel

s = moxtrel.create("moxServer")
s.Name = "HB-FILES"
print(s.Name, "exists:", s.Exists)
print(f"OS {s.OperatingSystem} {s.OperatingSystemVersion}, {s.ProcessorCount} processor(s)")

shares = s.FileShares
for sh in shares:
    print(f"  {sh.Name} on {sh.Server}: {sh.Path}, {sh.Description}")

print("Add Scratch:", shares.Add("Scratch", "D:\\scratch", "Temporary files", 3))
scratch = moxtrel.create("moxFileShare")
print("Find:", scratch.Find("Scratch", "HB-FILES"))
scratch.MaxUsers = 10
print(f"{scratch.Name}: up to {scratch.MaxUsers} users")
print("Remove:", shares.Remove("Scratch"), "- exists after:", shares.Exists("Scratch"))
