//Maya ASCII 2022 scene
createNode transform -n "square";
createNode mesh -n "squareShape" -p "square";
	setAttr -s 4 ".vt[0:3]"  0 0 0 1 0 0
		 1 1 0 0 1 0;
	setAttr -s 5 ".ed[0:4]"  0 1 0 2 1 0 2 3 0
		 3 0 0 0 2 1;
	setAttr -s 2 -ch 6 ".fc[0:1]" -type "polyFaces" 
		f 3 0 1 4
		f 3 -5 2 3;
	setAttr ".ds" no;
select -ne :time1;
// End of square.ma
