// The tool's status and its message end the build; nothing is written.
def log = new File(basedir, 'build.log').text
assert log.contains("vandrel-pack failed (status 6): Not a valid min_version: 'eleven'"): log
assert log.contains('BUILD FAILURE')
assert !new File(basedir, 'target/failing-tool-1.0.exe').exists()
