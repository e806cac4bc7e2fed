setAttr -s 4 ".ed[0:3]"
0 1 0 1 2 0 2 3 0 0 3 0;
  	setAttr ".cd"
;
  	setAttr ".cd" x
