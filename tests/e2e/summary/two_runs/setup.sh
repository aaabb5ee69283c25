"$KYVLD" a.xob -KYV=first.xml -HEADER=header.hdr
