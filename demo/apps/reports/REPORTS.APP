; Reports; the list gives it no target, so a make skips it
BUILD-SECONDS=1
