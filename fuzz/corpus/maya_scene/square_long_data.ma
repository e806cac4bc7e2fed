//Maya ASCII 2020 scene
//Name: square.ma
requires maya "2020";
createNode transform -n "square";
createNode mesh -n "squareShape" -p "square";
	setAttr -k off ".v";
	setAttr -s 4 ".vt";
	setAttr ".vt[0:3]"  0.000000 0.000000 0.000000 1.000000 0.000000 0.000000 1.000000 1.000000 0.000000
		 0.000000 1.000000 0.000000 // one vertex a line; now "the last"
		;
	setAttr -s 6 ".ed";
	setAttr ".ed[0:3]"  0 1 0 0000001 2 0 2 00000003 0 +3 0 0
		;
	setAttr ".ed[4:5]"  0 2 0 1 3 0;
	setAttr -s 1 ".fc[0]" -type "polyFaces"
		f 4 0 1 2 3  /* no comment */ ;
	setAttr ".cd" -type "dataPolyComponent" Index_Data Edge 2 0 7 5 0.5 ;
