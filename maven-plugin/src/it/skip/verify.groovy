def log = new File(basedir, 'build.log').text
assert log.contains('Skipping vandrel pack'): log
assert !log.contains('vandrel-pack failed')
assert !new File(basedir, 'target/skip-1.0.exe').exists()
