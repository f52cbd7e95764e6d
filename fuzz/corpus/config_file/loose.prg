0 5 0 0 7 0 -1
00AA	00bb  zz

