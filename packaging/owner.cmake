# ==== TO BE GIVEN BY THE OWNER OF THE PACKAGE ================================
# Two things only the owner can state; nothing here invents them. Until both
# are given, lintian reports them (scripts/check-package lets exactly those
# reports pass, and names them).
#
# 1. The maintainer, as Debian wants it: a name and an e-mail address
#    ("Name <address>" in the package's Maintainer field and the changelog's
#    trailer line). Give the address here, without the angle brackets.
set(ORVITA_MAINTAINER_NAME "Dravel")
set(ORVITA_MAINTAINER_ADDRESS "")
#
# 2. The copyright and licence statement: write it to packaging/copyright, in
#    Debian's machine-readable format
#    (https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/).
#    Once that file exists it is installed as /usr/share/doc/orvita/copyright.
# =============================================================================
